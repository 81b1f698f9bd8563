#include "app/SErrorLog.h"
#include "app/UOSInfo.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "package/ZTI_PakFile.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "script/ZTI_SetupInfo.h"
#include "support/TestMachine.h"
#include "support/HostFiles.h"

namespace {

using testing_support::ReadHostFile;

namespace fs = std::filesystem;

TErrorReportFacts DemoFacts() {
  TErrorReportFacts facts;
  facts.setupName = "Demo Add-on 1.0";
  facts.setupExeName = "DemoSetup.exe";
  facts.pakId = "ZTPF";
  facts.pakVersion = 1;
  facts.pakCount = 25;
  facts.arguments = {"/j", "Alpha", "10.0.0.1", "-x"};
  facts.productName = "Windows XP";
  facts.edition = "Home Edition";
  facts.buildNumber = 2600;
  facts.servicePack = "Service Pack 2";
  facts.servicePackMajor = 2;
  facts.servicePackMinor = 0;
  facts.physicalMemoryBytes = 512ull * 1048576;
  facts.cpuMhz = 2394;
  return facts;
}

const char* const kDemoReport =
    "General Info\r\n"
    "------------\r\n"
    "Setup Name             : Demo Add-on 1.0\r\n"
    "Setup EXE Name         : DemoSetup.exe\r\n"
    "\r\n"
    "Pak Info\r\n"
    "--------\r\n"
    "ID                     : ZTPF\r\n"
    "Version                : 1\r\n"
    "Count                  : 25\r\n"
    "\r\n"
    "ErrorType              : Setup Thread\r\n"
    "ErrorText              : Access violation\r\n"
    "\r\n"
    "Params                 : /j X X.X.X.X -X\r\n"
    "ParamCount             : 4\r\n"
    "\r\n"
    "Windows Info\r\n"
    "------------\r\n"
    "Product                : Windows XP Home Edition\r\n"
    "BuildNumber            : 2600\r\n"
    "ServicePack            : Service Pack 2\r\n"
    "ServicePackMajor       : 2\r\n"
    "ServicePackMinor       : 0\r\n"
    "\r\n"
    "Physical Memory        : 513MB\r\n"
    "CPU Speed              : 2394Mhz\r\n";

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

TEST(ErrorReport, ExactTextForAFixedSetupAndError) {
  EXPECT_EQ(Joined(ErrorReportLines(DemoFacts(), "Access violation", "Setup Thread")), kDemoReport);
}

TEST(ErrorReport, UnknownTypeEmptyEditionAndNoPackage) {
  TErrorReportFacts facts;
  facts.productName = "Windows Vista";
  facts.pakId = std::string("\0\0\0\0", 4);  // the package object was never read
  facts.physicalMemoryBytes = 1048575;
  const auto lines = ErrorReportLines(facts, "boom", "");
  EXPECT_EQ(lines[2], "Setup Name             : ");
  EXPECT_EQ(lines[7], "ID                     : ");
  EXPECT_EQ(lines[11], "ErrorType              : Unknown");
  EXPECT_EQ(lines[14], "Params                 : ");
  EXPECT_EQ(lines[15], "ParamCount             : 0");
  EXPECT_EQ(lines[19], "Product                : Windows Vista ");
  EXPECT_EQ(lines[25], "Physical Memory        : 1MB");
  EXPECT_EQ(ReportValueLine("ALabelLongerThanTwentyTwo", "v"), "ALabelLongerThanTwentyTwo : v");
}

TEST(ErrorReport, ParamsHideTheTwoArgumentsAfterJ) {
  struct Case {
    std::vector<std::string> arguments;
    std::string shown;
  } cases[] = {
      {{}, ""},
      {{"/j", "Alpha", "10.0.0.1", "-x"}, "/j X X.X.X.X -X"},
      {{"/j", "a", "b", "/j", "c", "d"}, "/j X X.X.X.X /j X X.X.X.X"},
      {{"/j", "a", "/J", "b", "c"}, "/j X X.X.X.X /j X X.X.X.X"},
      {{"/j"}, "/j X X.X.X.X"},
      {{"setup.pkg", "--Silent", "/jx"}, "SETUP.PKG --SILENT /JX"},
      {{"a", "/J", "name"}, "A /j X X.X.X.X"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReportParams(c.arguments), c.shown);
}

TEST(ErrorReport, FileNamesCountUpAndNeverOverwrite) {
  EXPECT_EQ(ErrorLogName(0), "ErrorLog0000.TXT");
  EXPECT_EQ(ErrorLogName(42), "ErrorLog0042.TXT");
  EXPECT_EQ(ErrorLogName(10000), "ErrorLog10000.TXT");

  testing_support::TempPrefix prefix;
  const std::string temp = platform::TempFolder();
  const fs::path hostTemp = *platform::HostPathOf(temp);
  for (int n = 0; n < 3; ++n) std::ofstream(hostTemp / ErrorLogName(n)) << "old";
  fs::create_directory(hostTemp / ErrorLogName(3));  // a folder of that name is skipped too
  // Names made first by someone else are passed over, never opened: a link to a file
  // elsewhere, and a link to a place that does not exist yet, which a create that
  // followed it would make.
  testing_support::TempDir elsewhere;
  std::ofstream(elsewhere.Path() / "victim.txt") << "someone's file";
  // Wine implements no symbolic links (creating one fails with "Function not
  // implemented"): there plain files take those names, and only the counting is tested.
  for (const auto& [target, n] : {std::pair{"victim.txt", 4}, std::pair{"made.txt", 5}}) {
    std::error_code noLinks;
    fs::create_symlink(elsewhere.Path() / target, hostTemp / ErrorLogName(n), noLinks);
    if (noLinks) std::ofstream(hostTemp / ErrorLogName(n)) << "old";
  }
  TNewErrorLog report = CreateErrorLog(temp);
  EXPECT_EQ(report.path, temp + "\\ErrorLog0006.TXT");
  ASSERT_TRUE(report.file.IsOpen());
  EXPECT_FALSE(fs::exists(elsewhere.Path() / "made.txt"));
  EXPECT_EQ(ReadHostFile(elsewhere.Path() / "victim.txt"), "someone's file");
  for (int n = 0; n < 3; ++n) EXPECT_EQ(ReadHostFile(hostTemp / ErrorLogName(n)), "old");
  // The next report does not take the file this one made.
  EXPECT_EQ(CreateErrorLog(temp).path, temp + "\\ErrorLog0007.TXT");

  // Every four-digit name taken: the search ends with a message instead of counting on.
  for (int n = 8; n <= 9999; ++n) std::ofstream(hostTemp / ErrorLogName(n)) << "old";
  try {
    CreateErrorLog(temp);
    ADD_FAILURE() << "a name past ErrorLog9999.TXT was given";
  } catch (const platform::ESetupError& error) {
    EXPECT_EQ(std::string(error.what()), "No free name for an error report in \"" + temp +
                                             "\": ErrorLog0000.TXT to ErrorLog9999.TXT are all taken");
  }
}

class ReportHandlers : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetMessageBoxHandler([this](const std::u16string& text, const std::u16string& caption,
                                          platform::MessageButtons buttons, platform::MessageIcon) {
      boxes_.push_back({platform::WideToAnsi(caption), platform::WideToAnsi(text)});
      EXPECT_EQ(buttons, platform::MessageButtons::Ok);
      return platform::MessageResult::Ok;
    });
    platform::SetOpenDocumentHandler([this](const std::string& path) { opened_.push_back(path); });
  }
  void TearDown() override {
    platform::SetMessageBoxHandler(nullptr);
    platform::SetOpenDocumentHandler(nullptr);
  }
  testing_support::TempPrefix prefix_;
  std::vector<std::pair<std::string, std::string>> boxes_;
  std::vector<std::string> opened_;
};

TEST_F(ReportHandlers, WritesTheFileThenTellsTheUserAndOpensIt) {
  const std::string temp = platform::TempFolder();
  std::ofstream(*platform::HostPathOf(temp + "\\ErrorLog0000.TXT")) << "earlier report";
  const std::string path = WriteErrorReport(DemoFacts(), "Access violation", "Setup Thread");
  EXPECT_EQ(path, temp + "\\ErrorLog0001.TXT");
  EXPECT_EQ(ReadHostFile(*platform::HostPathOf(path)), kDemoReport);
  EXPECT_EQ(ReadHostFile(*platform::HostPathOf(temp + "\\ErrorLog0000.TXT")), "earlier report");
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].first, "Error Report");
  EXPECT_EQ(boxes_[0].second,
            "Setup Thread Error: Access violation\r\rError Log Created. "
            "Please Include \"" +
                path + "\" with your bug report");
  EXPECT_EQ(opened_, std::vector<std::string>{path});

  WriteErrorReport(TErrorReportFacts{}, "second", "");
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[1].second.substr(0, 22), "Unknown Error: second\r");
}

// The whole routine on the test machine: the setup's own facts, the machine's product
// and a measured processor speed.
TEST_F(ReportHandlers, ReportErrorGathersTheRunningProgramsFacts) {
  // The program's package: three entries
  const std::string packagePath = platform::TempFolder() + "\\running.pkg";
  {
    TPak writer;
    writer.Create(packagePath, false, true);
    for (const char* name : {"a", "b", "c"}) {
      const int index = writer.NewEntry(name, "", 0);
      ASSERT_TRUE(writer.StoreBuffer(index, reinterpret_cast<const uint8_t*>(name), 1));
    }
    ASSERT_TRUE(writer.WriteTable());
  }
  SetupPak().Create(packagePath, false, false);
  SetupInfoFile().Info.SetupName = "Running Setup";
  SetReportArguments({"/J", "user", "1.2.3.4"});
  const std::string path = ReportError("Something failed", kStageVerification);
  SetupInfoFile().Info = TSetupInfo{};
  SetupPak() = TPak();
  SetReportArguments({});
  const std::string text = ReadHostFile(*platform::HostPathOf(path));
  EXPECT_NE(text.find("Setup Name             : Running Setup\r\n"), std::string::npos);
  EXPECT_NE(text.find("ID                     : ZTPF\r\nVersion                : 1\r\n"
                      "Count                  : 3\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("ErrorType              : Verification Stage\r\n"), std::string::npos);
  EXPECT_NE(text.find("Params                 : /j X X.X.X.X\r\n"), std::string::npos);
  // The test machine's own product: "Unknown OS" on Linux, whose fresh prefix records no
  // Windows version, and the system's answer on Windows.
  EXPECT_NE(text.find("Product                : " + std::string(ProductName(TOSInfo::ProductNumber())) + " " +
                      TOSInfo::Edition() + "\r\n"),
            std::string::npos)
      << text;
  EXPECT_TRUE(std::regex_search(text, std::regex("Physical Memory        : [1-9][0-9]*MB\r\n")));
  EXPECT_TRUE(std::regex_search(text, std::regex("CPU Speed              : [0-9]+Mhz\r\n$")));
}

}  // namespace
