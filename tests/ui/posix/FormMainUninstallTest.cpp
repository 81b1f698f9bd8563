// The removal an uninstaller runs on its progress page, and the finaliser it starts.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "ui/UiTestSupport.h"
#include "engine/SE_Uninstall_List.h"
#include "package/ZTI_PakFile.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "script/SE_Global.h"
#include "script/ZTI_SetupInfo.h"

using namespace ui_test;
using testing_support::TempPrefix;
namespace fs = std::filesystem;

namespace {

constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Harbour Maps";

void UseUninstaller(const TempPrefix& prefix, const std::vector<ExtraEntry>& extra = {}) {
  UseStandardPackage(prefix, "uninstall", extra, /*uninstallTables=*/true);
  TSetupInfo& info = SetupInfoFile().Info;
  info.Uninstall = 1;
  info.ShortName = "Harbour Maps";
  info.UninstallPrefix = "HM_";
  info.InstallDir = "C:\\Game\\";
}

void Touch(const fs::path& path) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << "x";
}

std::string ValueOf(platform::RegistryRoot root, const std::string& key, const std::string& name) {
  const auto k = platform::RegistryKey::Open(root, key, false);
  if (!k) return "<no key>";
  return k->ReadString(name).value_or("<no value>");
}

// Runs the wizard to its progress page: welcome -> ready -> removal -> finish; the
// view's events start after the set-up.
void RunRemoval(TFrmMain& form, RecordingView* view = nullptr) {
  ASSERT_TRUE(form.SetPagesUp());
  if (view) view->events.clear();
  form.NextButton.Click();
  form.NextButton.Click();
}

}  // namespace

TEST(Uninstall, RemovesFilesDirectoriesAndValuesWithTheExactProgress) {
  TempPrefix prefix;
  UseUninstaller(prefix);
  const fs::path game = prefix.DriveC() / "Game";
  for (const char* f : {"a.txt", "Sub/Deeper/b.txt", "keep.txt"}) Touch(game / f);
  Touch(game / "HM_install.log");
  UninstallList().AddFile("$INSTDIR\\a.txt");
  UninstallList().AddFile("C:\\Game\\Sub\\Deeper\\b.txt");
  UninstallList().AddFile("C:\\Game\\gone.txt");  // already removed: skipped
  UninstallList().AddDirectory("C:\\Game\\Sub");  // recorded outer first
  UninstallList().AddDirectory("C:\\Game\\Sub\\Deeper\\");
  UninstallList().AddRegistryEntry("\"HKCU\" \"Software\\Demo\" \"Version\" \"1.2\"");
  {
    auto demo = platform::RegistryKey::Open(platform::RegistryRoot::CurrentUser, "Software\\Demo", true);
    ASSERT_TRUE(demo->WriteString("Version", "1.2"));
    ASSERT_TRUE(demo->WriteString("Other", "stays"));
    auto key = platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine, kUninstallKey, true);
    ASSERT_TRUE(key->WriteString("DisplayName", "Harbour Maps"));
    ASSERT_TRUE(key->WriteString("UninstallString", "C:\\Game\\Uninstall.exe"));
  }

  RecordingView view;
  TFrmMain form(&view, nullptr);
  RunRemoval(form, &view);

  EXPECT_EQ(form.SEPageControl.CurrentKind(), kPageFinish);
  EXPECT_FALSE(form.Working);
  EXPECT_EQ(view.With("caption patching_statuslabel"),
            (std::vector<std::string>{
                "caption patching_statuslabel Status: 0 of 6 items remaining",
                "caption patching_statuslabel Uninstalling : 1 of 3 items",
                "caption patching_statuslabel Uninstalling : 2 of 3 items",
                "caption patching_statuslabel Uninstalling : 3 of 3 items",
                "caption patching_statuslabel Uninstalling directories: 1 of 2 items",
                "caption patching_statuslabel Uninstalling directories: 2 of 2 items",
                "caption patching_statuslabel Uninstalling registary enteries: 1 of 1 items"}));
  EXPECT_EQ(view.GaugeSequence("patching_progressbar"),
            (std::vector<std::string>{"0 0%", "1 16%", "2 33%", "3 50%", "4 66%", "5 83%", "6 100%"}));
  EXPECT_EQ(view.With("repaint Panel1").size(), 6u);

  EXPECT_FALSE(fs::exists(game / "a.txt"));
  EXPECT_FALSE(fs::exists(game / "Sub"));  // the deeper folder went first
  EXPECT_TRUE(fs::exists(game / "keep.txt"));
  EXPECT_FALSE(fs::exists(game / "HM_install.log"));
  EXPECT_EQ(ValueOf(platform::RegistryRoot::CurrentUser, "Software\\Demo", "Version"), "<no value>");
  EXPECT_EQ(ValueOf(platform::RegistryRoot::CurrentUser, "Software\\Demo", "Other"), "stays");
  EXPECT_EQ(ValueOf(platform::RegistryRoot::LocalMachine, kUninstallKey, "DisplayName"), "<no key>");
}

TEST(Uninstall, BelowOnePercentAFileChangesNeitherStatusNorGauge) {
  TempPrefix prefix;
  UseUninstaller(prefix);
  for (int i = 1; i <= 250; ++i) UninstallList().AddFile("C:\\Game\\f" + std::to_string(i));
  RecordingView view;
  TFrmMain form(&view, nullptr);
  RunRemoval(form, &view);
  const auto statuses = view.With("caption patching_statuslabel");
  ASSERT_EQ(statuses.size(), 1u + 248u);
  EXPECT_EQ(statuses[0], "caption patching_statuslabel Status: 0 of 250 items remaining");
  EXPECT_EQ(statuses[1], "caption patching_statuslabel Uninstalling : 3 of 250 items");
  EXPECT_EQ(statuses.back(), "caption patching_statuslabel Uninstalling : 250 of 250 items");
  const auto gauge = view.GaugeSequence("patching_progressbar");
  ASSERT_EQ(gauge.size(), 1u + 248u);
  EXPECT_EQ(gauge[1], "3 1%");
  EXPECT_EQ(gauge.back(), "250 100%");
}

TEST(Uninstall, RegistryLinesKeepQuotedBlanksAndEmptyNames) {
  TempPrefix prefix;
  auto key = platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine, "Software\\Demo Key", true);
  ASSERT_TRUE(key->WriteString("", "default"));
  ASSERT_TRUE(key->WriteString("Name With Blanks", "x"));
  ASSERT_TRUE(key->WriteString("Kept", "y"));
  TFrmMain::RemoveRegistryEntry("\"HKLM\" \"Software\\Demo Key\" \"Name With Blanks\" \"x\"");
  TFrmMain::RemoveRegistryEntry("\"HKLM\" \"Software\\Demo Key\" \"\" \"default\"");
  TFrmMain::RemoveRegistryEntry("\"HKLM\" \"Software\\Missing\" \"Kept\" \"y\"");  // no such key
  EXPECT_EQ(ValueOf(platform::RegistryRoot::LocalMachine, "Software\\Demo Key", "Name With Blanks"),
            "<no value>");
  EXPECT_EQ(ValueOf(platform::RegistryRoot::LocalMachine, "Software\\Demo Key", ""), "<no value>");
  EXPECT_EQ(ValueOf(platform::RegistryRoot::LocalMachine, "Software\\Demo Key", "Kept"), "y");
}

// An uninstaller opened by the program (setup HM_Uninstall.exe) is a file apart from the
// program that reads it: that file goes at the finish, at once, and the program stays;
// no finaliser is needed for a file that is not running.
TEST(Uninstall, FinishRemovesTheUninstallerFileItWasReadFromNotTheProgram) {
  TempPrefix prefix;
  UseUninstaller(prefix,
                 {{"FINALISE.EXE", "#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/finalised.txt\"\n"}});
  const std::string uninstaller = platform::HostPathOf(SetupPak().FileName()).value_or("");
  ASSERT_TRUE(fs::exists(uninstaller));
  TFrmMain form(nullptr, nullptr);
  RunRemoval(form);
  ASSERT_EQ(form.SEPageControl.CurrentKind(), kPageFinish);
  form.CancelButton.Click();  // "Finish"
  ASSERT_TRUE(form.ClosedOnFinishPage());
  EXPECT_FALSE(fs::exists(uninstaller));
  EXPECT_TRUE(fs::exists(platform::HostPathOf(platform::OwnExecutablePath()).value_or("")));
  for (const auto& entry : fs::recursive_directory_iterator(prefix.DriveC() / "users"))
    EXPECT_NE(entry.path().filename(), "FINALISE.exe") << entry.path();
}

TEST(Uninstall, WithoutAFinaliserEntryNothingStarts) {
  TempPrefix prefix;
  UseUninstaller(prefix);
  TFrmMain form(nullptr, nullptr);
  RunRemoval(form);
  form.CancelButton.Click();
  EXPECT_TRUE(form.ClosedOnFinishPage());
  for (const auto& entry : fs::recursive_directory_iterator(prefix.DriveC()))
    EXPECT_NE(entry.path().filename(), "FINALISE.exe");
}
