#include "app/SErrorLog.h"

#include <cstdio>
#include <mutex>

#include "app/UOSInfo.h"
#include "package/ZTI_PakFile.h"
#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/SystemInfo.h"
#include "script/ZTI_SetupInfo.h"

namespace {

std::mutex gArgumentsMutex;
std::vector<std::string> gArguments;

void AddSection(std::vector<std::string>& lines, const std::string& title) {
  lines.push_back(title);
  lines.push_back(std::string(title.size(), '-'));
}

std::string ShownType(const std::string& errorType) { return errorType.empty() ? "Unknown" : errorType; }

// The mark of a package header: its four characters up to the first zero byte.
std::string MarkText(const std::string& id) { return id.substr(0, id.find('\0')); }

}  // namespace

std::string ReportValueLine(const std::string& label, const std::string& value) {
  constexpr size_t kLabelWidth = 22;
  std::string line = label;
  if (line.size() < kLabelWidth) line.append(kLabelWidth - line.size(), ' ');
  return line + " : " + value;
}

std::string ReportParams(const std::vector<std::string>& arguments) {
  std::string text;
  int hidden = 0;  // arguments still to leave out after a "/J"
  for (const std::string& argument : arguments) {
    const std::string upper = platform::AsciiUpper(argument);
    if (upper == "/J") {
      text += " /j X X.X.X.X";
      hidden = 2;
    } else if (hidden > 0) {
      --hidden;
    } else {
      text += " " + upper;
    }
  }
  if (!text.empty() && text[0] == ' ') text.erase(0, 1);
  return text;
}

std::vector<std::string> ErrorReportLines(const TErrorReportFacts& facts, const std::string& errorText,
                                          const std::string& errorType) {
  std::vector<std::string> lines;
  AddSection(lines, "General Info");
  lines.push_back(ReportValueLine("Setup Name", facts.setupName));
  lines.push_back(ReportValueLine("Setup EXE Name", facts.setupExeName));
  lines.emplace_back();
  AddSection(lines, "Pak Info");
  lines.push_back(ReportValueLine("ID", MarkText(facts.pakId)));
  lines.push_back(ReportValueLine("Version", std::to_string(facts.pakVersion)));
  lines.push_back(ReportValueLine("Count", std::to_string(facts.pakCount)));
  lines.emplace_back();
  lines.push_back(ReportValueLine("ErrorType", ShownType(errorType)));
  lines.push_back(ReportValueLine("ErrorText", errorText));
  lines.emplace_back();
  lines.push_back(ReportValueLine("Params", ReportParams(facts.arguments)));
  lines.push_back(ReportValueLine("ParamCount", std::to_string(facts.arguments.size())));
  lines.emplace_back();
  AddSection(lines, "Windows Info");
  lines.push_back(ReportValueLine("Product", facts.productName + " " + facts.edition));
  lines.push_back(ReportValueLine("BuildNumber", std::to_string(facts.buildNumber)));
  lines.push_back(ReportValueLine("ServicePack", facts.servicePack));
  lines.push_back(ReportValueLine("ServicePackMajor", std::to_string(facts.servicePackMajor)));
  lines.push_back(ReportValueLine("ServicePackMinor", std::to_string(facts.servicePackMinor)));
  lines.emplace_back();
  // Whole mebibytes, counted up by one as the report always has.
  lines.push_back(
      ReportValueLine("Physical Memory", std::to_string(facts.physicalMemoryBytes / 1048576 + 1) + "MB"));
  lines.push_back(ReportValueLine("CPU Speed", std::to_string(facts.cpuMhz) + "Mhz"));
  return lines;
}

constexpr int kLastErrorLogNumber = 9999;

std::string ErrorLogName(int n) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d", n);
  return std::string("ErrorLog") + digits + ".TXT";
}

std::string NextErrorLogPath(const std::string& folder) {
  // The names have four digits; past them the search stops instead of counting on.
  for (int n = 0; n <= kLastErrorLogNumber; ++n) {
    const std::string path = folder + "\\" + ErrorLogName(n);
    if (!platform::FileExists(path) && !platform::DirectoryExists(path)) return path;
  }
  throw platform::ESetupError("No free name for an error report in \"" + folder + "\": " + ErrorLogName(0) +
                              " to " + ErrorLogName(kLastErrorLogNumber) + " are all taken");
}

void SetReportArguments(std::vector<std::string> arguments) {
  std::lock_guard<std::mutex> lock(gArgumentsMutex);
  gArguments = std::move(arguments);
}

TErrorReportFacts GatherErrorReportFacts() {
  TErrorReportFacts facts;
  const TSetupInfo& info = SetupInfoFile().Info;
  facts.setupName = info.SetupName;
  facts.setupExeName = info.SetupExeName;
  // Before the package is opened its header is all zeros: an empty mark, 0 and 0.
  const TSetupHeader& header = SetupPak().Header();
  facts.pakId = std::string(header.ID.data(), header.ID.size());
  facts.pakVersion = header.Version;
  facts.pakCount = header.FileCount;
  {
    std::lock_guard<std::mutex> lock(gArgumentsMutex);
    facts.arguments = gArguments;
  }
  facts.productName = ProductName(TOSInfo::ProductNumber());
  facts.edition = TOSInfo::Edition();
  facts.buildNumber = static_cast<uint32_t>(TOSInfo::BuildNumber());
  facts.servicePack = TOSInfo::ServicePack();
  facts.servicePackMajor = TOSInfo::ServicePackMajor();
  facts.servicePackMinor = TOSInfo::ServicePackMinor();
  facts.physicalMemoryBytes = platform::PhysicalMemoryBytes();
  facts.cpuMhz = MeasureCpuSpeedMhz();
  return facts;
}

std::string WriteErrorReport(const TErrorReportFacts& facts, const std::string& errorText,
                             const std::string& errorType) {
  const std::string path = NextErrorLogPath(platform::TempFolder());
  std::string text;
  for (const std::string& line : ErrorReportLines(facts, errorText, errorType)) text += line + "\r\n";
  platform::File file = platform::File::Open(path, platform::OpenMode::CreateTruncate);
  if (!file.IsOpen() || !file.WriteAll(text.data(), text.size()))
    platform::RaiseSystemError("Unable to write the error report " + path);
  file.Close();

  platform::ShowMessageBox(ShownType(errorType) + " Error: " + errorText + "\r\r" +
                               "Error Log Created. Please Include \"" + path + "\" with your bug report",
                           "Error Report", platform::MessageButtons::Ok);
  platform::OpenDocument(path);
  return path;
}

std::string ReportError(const std::string& errorText, const std::string& errorType) {
  return WriteErrorReport(GatherErrorReportFacts(), errorText, errorType);
}
