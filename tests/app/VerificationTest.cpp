// Start-up's verification window, watched by a view inside the test program, and the
// setup variables start-up leaves for the wizard.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/SE_Startup.h"
#include "engine/SE_Uninstall_List.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "script/SE_Global.h"
#include "script/ZTI_CommandTable.h"
#include "script/ZTI_CompLines.h"
#include "script/ZTI_SetupInfo.h"
#include "support/PakBytes.h"
#include "support/TestMachine.h"
#include "ui/FormMain.h"
#include "ui/VerifyForm.h"

namespace {

namespace fs = std::filesystem;

// Writes down the verification window's states and leaves the wizard at once.
class VerifyWatcher : public TWizardView {
 public:
  std::vector<std::string> states;
  std::vector<uint32_t> holds;
  std::vector<std::string> titles;

  void InstallHandlers() override {}
  void ControlCreated(TControl&) override {}
  void ControlChanged(TControl&, TControlChange) override {}
  void RepaintNow(TControl&) override {}
  void TitleChanged(const std::u16string& title, const std::u16string&) override {
    titles.push_back(std::string(title.begin(), title.end()));
  }
  void MenuChanged(const TPopupMenu&) override {}
  void PopupMenuAt(TPopupMenu&, int32_t, int32_t) override {}
  TFormGeometry FormGeometry() override { return {}; }
  void VerifyWindowChanged(const TFrmVerify& w) override {
    states.push_back(w.StatusText() + " " + std::to_string(w.Position()) + "/" + std::to_string(w.Max()));
  }
  void VerifyWindowClosed() override { states.push_back("closed"); }
  void HoldVerifyWindow(uint32_t ms) override { holds.push_back(ms); }
  void ShowDebugListing(const std::vector<std::string>&) override {}
  void ProcessMessages() override {}
  int Run(TFrmMain&) override { return 0; }
  void WindowClosed() override {}
};

std::string AsText(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace

TEST(Verification, TheWindowCountsEveryEntryAndClosesAfterItsPause) {
  testing_support::TempPrefix prefix;
  TSetupInfoFile info;
  info.Info.SetupName = "Verified";
  info.Info.InstallDir = "C:\\Games\\V";
  std::vector<testing_support::HandEntry> entries = {
      testing_support::StoredEntry("SetupInfo", AsText(info.SaveToBytes()), 0),
      testing_support::StoredEntry("CompiledLines", AsText(TCompLines().SaveToBuffer()), 0),
      testing_support::StoredEntry("empty.txt", "", 0),  // nothing to check
      testing_support::CompressedEntry("Pages.txt", "[Pages]\rnone.txt", 0),
  };
  const fs::path file = prefix.DriveC() / "verified.bin";
  const auto bytes = testing_support::BuildPackage(entries);
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  TSetupOptions options;
  options.package = platform::WindowsPathOf(file.string());
  options.silent = true;
  VerifyWatcher view;
  platform::SetMessageBoxHandler([](const std::u16string&, const std::u16string&, platform::MessageButtons,
                                    platform::MessageIcon) { return platform::MessageResult::Ok; });
  EXPECT_EQ(RunSetup(options, view), 0);
  platform::SetMessageBoxHandler({});
  EXPECT_EQ(view.titles.front(), "Verifying Contents");
  EXPECT_EQ(view.titles.back(), "Verified");
  EXPECT_EQ(view.states,
            (std::vector<std::string>{
                "Status: 0 out of 0 files verifyed 0/100", "Loading Header 0/100", "Loading Header 0/100",
                "Status: 0 out of 4 files verifyed 0/100", "Status: 0 out of 4 files verifyed 0/4",
                "Status: 1 out of 4 files verifyed 0/4", "Status: 1 out of 4 files verifyed 1/4",
                "Status: 2 out of 4 files verifyed 1/4", "Status: 2 out of 4 files verifyed 2/4",
                "Status: 3 out of 4 files verifyed 2/4", "Status: 3 out of 4 files verifyed 3/4",
                "Status: 4 out of 4 files verifyed 3/4", "Status: 4 out of 4 files verifyed 4/4", "closed"}));
  EXPECT_EQ(view.holds, (std::vector<uint32_t>{500}));
}

TEST(Verification, TheRequiredSpaceTextIsSetInBothModes) {
  // The uninstaller carries the installer's groups but writes nothing: "<%SPACEREQ%>"
  // shows no space rather than an empty text.
  const struct {
    uint8_t uninstall;
    uint64_t required;
    const char* text;
  } cases[] = {{0, 2048, "2.00 KB"}, {1, 0, "0.00 Bytes"}};
  for (const auto& c : cases) {
    testing_support::TempPrefix prefix;
    TSetupInfoFile info;
    info.Info.InstallDir = prefix.Path("C:\\Games\\S");
    info.Info.UninstallPrefix = "S_";
    info.Info.Uninstall = c.uninstall;
    TCompLines lines;
    TCompLine file;
    file.Command = CommandNumberOf("file");
    file.Params = {"data.bin", "1"};
    file.LineNo = 0;
    lines.Lines = {file};
    fs::create_directories(prefix.DriveC() / "Games" / "S");
    TUninstallList().Save(prefix.Path("C:\\Games\\S"), "S_");
    const auto bytes = testing_support::BuildPackage({
        testing_support::StoredEntry("SetupInfo", AsText(info.SaveToBytes()), 0),
        testing_support::StoredEntry("CompiledLines", AsText(lines.SaveToBuffer()), 0),
        testing_support::StoredEntry("Pages.txt", "[Pages]\rnone.txt", 0),
        testing_support::StoredEntry("data.bin", std::string(2048, 'd'), 1),
    });
    const fs::path path = prefix.DriveC() / "space.bin";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    SetupVariables() = TSetupVariables();
    TSetupOptions options;
    options.package = platform::WindowsPathOf(path.string());
    options.silent = true;
    VerifyWatcher view;
    platform::SetMessageBoxHandler([](const std::u16string&, const std::u16string&, platform::MessageButtons,
                                      platform::MessageIcon) { return platform::MessageResult::Ok; });
    EXPECT_EQ(RunSetup(options, view), 0) << int(c.uninstall);
    platform::SetMessageBoxHandler({});
    EXPECT_EQ(SetupVariables().SpaceRequired, c.required) << int(c.uninstall);
    EXPECT_EQ(SetupVariables().SpaceRequiredText, c.text) << int(c.uninstall);
  }
}
