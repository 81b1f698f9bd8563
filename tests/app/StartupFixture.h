// The setup program run from its start on a test machine: a package made entry by
// entry (Package) and the fixture that writes it and runs the real program with it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/SE_SetupMain.h"
#include "lang/ZTI_Language.h"
#include "platform/Files.h"
#include "platform/CodePage.h"
#include "platform/Registry.h"
#include "script/SE_RunJournal.h"
#include "script/SE_TrustedState.h"
#include "script/ZTI_CommandTable.h"
#include "script/ZTI_CompLines.h"
#include "script/ZTI_SetupInfo.h"
#include "support/PakBytes.h"
#include "support/RunProgram.h"
#include "support/TestMachine.h"
#include "support/HostFiles.h"

namespace startup_test {

using testing_support::ReadHostFile;

namespace fs = std::filesystem;
using testing_support::HandEntry;
using testing_support::ProgramResult;
using testing_support::StoredEntry;
using testing_support::TempPrefix;

inline fs::path DataDir() { return fs::path(SE_SOURCE_DIR) / "data"; }
inline fs::path SetupProgram() { return testing_support::ProgramPath("setup"); }

inline std::string AsText(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

inline TCompLine Line(const char* keyword, std::vector<std::string> params, int32_t index) {
  TCompLine line;
  line.Command = CommandNumberOf(keyword);
  line.Params = std::move(params);
  line.LineNo = index;
  return line;
}

// A setup package made entry by entry, so that any part can be left out or spoilt.
struct Package {
  TSetupInfo info;
  TCompLines lines;
  bool withInfo = true;
  bool withLines = true;
  std::string pages = "standard";
  std::vector<std::string> tables = {"install/english.wri", "install/czech.wri", "install/polish.wri"};
  std::vector<HandEntry> extra;

  Package() {
    info.SetupName = "Test Add-on";
    info.ShortName = "Test";
    info.SetupExeName = "Test_Setup.exe";
    info.InstallDir = "C:\\Games\\Test";
    info.UninstallPrefix = "T_";
  }

  std::vector<HandEntry> Entries() const {
    std::vector<HandEntry> entries;
    if (!pages.empty())
      for (const auto& file : fs::directory_iterator(DataDir() / "layout" / pages))
        entries.push_back(StoredEntry(file.path().filename().string(), ReadHostFile(file.path()), 0));
    for (const std::string& table : tables)
      entries.push_back(StoredEntry("LANGUAGE-" + table, ReadHostFile(DataDir() / "languages" / table), 0));
    TSetupInfoFile file;
    file.Info = info;
    if (withInfo) entries.push_back(StoredEntry("SetupInfo", AsText(file.SaveToBytes()), 0));
    if (withLines) entries.push_back(StoredEntry("CompiledLines", AsText(lines.SaveToBuffer()), 0));
    entries.insert(entries.end(), extra.begin(), extra.end());
    return entries;
  }
};

class Startup : public ::testing::Test {
 protected:
  TempPrefix prefix_;

  fs::path Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path path = prefix_.DriveC() / "setups" / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add);
    return path;
  }
  // The package with its installation directory on the test machine's drive C:, so that
  // on Windows, where drive C: is the real one, runs side by side never share a folder.
  Package OnMachine(Package package) const {
    package.info.InstallDir = prefix_.Path(package.info.InstallDir);
    return package;
  }
  // setup PACKAGE --silent ARGS...
  ProgramResult RunWith(const Package& package, std::vector<std::string> args = {}) {
    const fs::path file = Write("package.bin", testing_support::BuildPackage(OnMachine(package).Entries()));
    args.insert(args.begin(), {file.string(), "--silent"});
    return testing_support::RunProgram("setup", args);
  }
  // The package appended to a copy of the setup program named so, run as it is.
  ProgramResult RunAs(const std::string& name, const Package& package, std::vector<std::string> args = {}) {
    const std::string program = ReadHostFile(SetupProgram());
    const fs::path file =
        Write(name, testing_support::BuildPackage(OnMachine(package).Entries(),
                                                  std::vector<uint8_t>(program.begin(), program.end())));
    args.insert(args.begin(), "--silent");
    return testing_support::RunProgramAt(file.string(), args);
  }
};

inline std::string TextOf(const char* table, uint16_t number) {
  TLanguages languages;
  const std::string bytes = ReadHostFile(DataDir() / "languages" / table);
  languages.AddLanguage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), table);
  languages.CurrentLanguage = 0;
  return platform::WideToUtf8(languages.GetText(number));
}

}  // namespace startup_test
