// The error report: when an unexpected error reaches a top-level handler, a text file
// "ErrorLog" + number + ".TXT" in the temporary folder describes the setup, its
// package header, the error, the command line and the machine, and a message box asks
// the user to include it with their bug report; the report is then opened.
//
// The report is built from plain facts (TErrorReportFacts) so that its exact text can
// be produced for any setup and machine; ReportError gathers the facts of the running
// program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TErrorReportFacts {
  std::string setupName;     // the setup information's SetupName
  std::string setupExeName;  // ... and SetupExeName
  std::string pakId;         // the package header's mark as read (empty: no package)
  uint32_t pakVersion = 0;
  uint32_t pakCount = 0;
  std::vector<std::string> arguments;  // the command line, without the program
  std::string productName;             // "Windows XP"
  std::string edition;                 // "Home Edition"; may be empty
  uint32_t buildNumber = 0;
  std::string servicePack;
  int servicePackMajor = 0;
  int servicePackMinor = 0;
  uint64_t physicalMemoryBytes = 0;
  int cpuMhz = 0;
};

// The stage names the top-level handlers pass.
inline constexpr const char* kStageVerification = "Verification Stage";
inline constexpr const char* kStageSetupThread = "Setup Thread";

// The report's lines, without line ends. An empty error type reads "Unknown".
std::vector<std::string> ErrorReportLines(const TErrorReportFacts& facts, const std::string& errorText,
                                          const std::string& errorType);
// "Label" left-aligned in 22 characters, " : ", value.
std::string ReportValueLine(const std::string& label, const std::string& value);
// The command line as reported: upper-cased arguments separated by blanks, with
// "/J" and the two arguments after it (a name and an address) shown as
// "/j X X.X.X.X".
std::string ReportParams(const std::vector<std::string>& arguments);

// "ErrorLog" + n with at least four digits + ".TXT".
std::string ErrorLogName(int n);
// The first report path in the folder that names no existing file, of ErrorLog0000.TXT
// to ErrorLog9999.TXT; ESetupError when all of them are taken.
std::string NextErrorLogPath(const std::string& folder);

// The program's command-line arguments, for the report; the program's entry sets them.
void SetReportArguments(std::vector<std::string> arguments);

// The facts of the running program (this measures the processor, about a second).
TErrorReportFacts GatherErrorReportFacts();

// Writes the report into the temporary folder, shows the message box and opens the
// report; returns its path. A report that cannot be written raises ESetupError
// before anything is shown.
std::string ReportError(const std::string& errorText, const std::string& errorType);
// The same with given facts.
std::string WriteErrorReport(const TErrorReportFacts& facts, const std::string& errorText,
                             const std::string& errorType);
