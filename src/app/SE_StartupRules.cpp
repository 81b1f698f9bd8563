#include "app/SE_StartupRules.h"

#include <algorithm>

#include "package/ZTI_PakDataFiles.h"
#include "package/ZTI_PakFile.h"
#include "platform/CodePage.h"
#include "script/SE_TextHelpers.h"
#include "script/ZTI_CompLines.h"

TStartupStop InvalidHeaderStop() {
  return {"Error", "Invalid Setup Header. No Contents or Corrupted Contents."};
}

TStartupStop NewerToolStop() {
  return {"Error",
          "This setup was made by a newer packaging tool. It cannot be read by this program: "
          "use the setup program that came with it."};
}

TStartupStop VerificationFailedStop(uint32_t index, const std::string& name) {
  return {"Verification Error", "Error: Verification Failed. Setup is corrupt.\rID: " +
                                    std::to_string(index) + " Filename: " + name};
}

TStartupStop SetupInfoMissingStop() {
  return {"Verification Error", "Error: Setup Information Missing. Setup is corrupt"};
}

TStartupStop InstallLogMissingStop() { return {"Setup Error", "Error: install log is missing"}; }

TStartupStop CompiledLinesMissingStop() {
  return {"Verification Error", "Error: Compiled Lines Missing. Setup is corrupt"};
}

TStartupStop CompiledLinesCorruptStop() { return {"Verification Error", kCompiledLinesCorruptText}; }

TStartupStop RenamedStop(const std::string& expected, const std::string& found) {
  return {"Error",
          "Error: Setup`s filename has been renamed\r\rExpected: \r" + expected + "\r\rFound: \r" + found};
}

TStartupStop NoInstallDirStop() {
  return {"Error", "Error: Registry Key Not Found. Please Install Software"};
}

TStartupStop NoPagesStop() {
  return {"Setup Error", "Error: The setup has no wizard pages (Pages.txt names none). Setup is corrupt"};
}

TStartupStop DataFileStop(const std::string& fault) {
  return {"Verification Error",
          "Error: " + fault +
              ".\r\rSetup is incomplete or corrupt: get the setup program and all its data files "
              "again and keep them in one folder."};
}

namespace {

std::string RemoveNumberedBrackets(std::string_view rest, char open, char close) {
  std::string result;
  while (!rest.empty()) {
    const size_t opening = rest.find(open);
    if (opening == std::string_view::npos) {
      result += rest;
      break;
    }
    result += rest.substr(0, opening);
    rest.remove_prefix(opening + 1);
    const size_t closing = rest.find(close);
    if (closing == std::string_view::npos) {
      result += open;
      result += rest;
      break;
    }
    const std::string_view content = rest.substr(0, closing);
    const bool numbered =
        std::all_of(content.begin(), content.end(), [](char c) { return c >= '1' && c <= '9'; });
    if (!numbered) {
      result += open;
      result += content;
      result += close;
    }
    rest.remove_prefix(closing + 1);
  }
  return result;
}

}  // namespace

std::string NormaliseSetupFileName(std::string_view name) {
  return RemoveNumberedBrackets(RemoveNumberedBrackets(name, '(', ')'), '[', ']');
}

bool SetupFileNameMatches(std::string_view ownFileName, std::string_view expected) {
  return NormaliseSetupFileName(platform::AnsiLower(ownFileName)) ==
         ExtractFileName(platform::AnsiLower(expected));
}

std::string DataFileStemOfSetup(const std::string& programPath) {
  const std::string name = ExtractFileName(programPath);
  return DataFileStemOf(programPath.substr(0, programPath.size() - name.size()) +
                        NormaliseSetupFileName(name));
}

uint64_t RequiredSpace(const std::vector<TPakFile>& entries, const std::vector<bool>& groupIsUpdate) {
  uint64_t total = 0;
  for (const TPakFile& entry : entries) {
    if (entry.Group == 0 || entry.Group >= groupIsUpdate.size()) continue;
    if (!groupIsUpdate[entry.Group]) total += entry.OrigSize;
    else total += (entry.CompSize == 0 && entry.OrigSize > 0) ? entry.OrigSize : entry.CompSize;
  }
  return total;
}
