#include "script/ZTI_SetupInfo.h"

#include <gtest/gtest.h>

namespace {

TSetupInfo Typical() {
  TSetupInfo info;
  info.SetupName = "Demo Add-on 1.2";
  info.ShortName = "Demo Add-on";
  info.SetupExeName = "demo_setup.exe";
  info.UninstallExeName = "Demo Add-on_Uninstall.exe";
  info.UninstallPrefix = "Demo Add-on_";
  info.InstallDir = "$PROGRAMFILES\\Demo Game\\";
  info.Changelog = "";
  info.InstallDirRegKey = {0, "Software\\Demo Maker\\Demo Game\\", "Path"};
  info.Pages = "pages\\install";
  info.UninstallPages = "pages\\uninstall";
  info.Uninstall = 0;
  info.MakeUninstaller = 1;
  return info;
}

TEST(SetupInfo, AnEmptyRecordIs25BytesAndLoadsAsInstallMode) {
  TSetupInfoFile file;
  const auto bytes = file.SaveToBytes();
  EXPECT_EQ(bytes, std::vector<uint8_t>(25, 0));
  file.Info = Typical();
  file.LoadFromBuffer(bytes.data(), bytes.size());
  EXPECT_EQ(file.Info, TSetupInfo());
}

TEST(SetupInfo, WritesFieldsInRecordOrder) {
  TSetupInfoFile file;
  file.Info.SetupName = "A";
  file.Info.Changelog.assign(1, 'C');
  file.Info.InstallDirRegKey = {2, "P", "K"};
  file.Info.Uninstall = 1;
  file.Info.MakeUninstaller = 1;
  const std::vector<uint8_t> expected = {1,   0, 'A', 0, 0,   0, 0, 0,   0, 0, 0, 0, 0, 1, 0,
                                         'C', 2, 1,   0, 'P', 1, 0, 'K', 0, 0, 0, 0, 1, 1};
  EXPECT_EQ(file.SaveToBytes(), expected);
}

TEST(SetupInfo, RoundTripsEveryFieldIncludingHighCharacters) {
  TSetupInfoFile file;
  file.Info = Typical();
  file.Info.Changelog = "Caf\xE9 \x80 \xFF\r\nline";
  file.Info.InstallDirRegKey.HKEY = 7;  // stored as it is
  file.Info.Uninstall = 1;
  const auto bytes = file.SaveToBytes();
  TSetupInfoFile loaded;
  loaded.LoadFromBuffer(bytes.data(), bytes.size());
  EXPECT_EQ(loaded.Info, file.Info);
}

TEST(SetupInfo, ElevenStringsOf172CharactersMake197Bytes) {
  TSetupInfoFile file;
  file.Info = Typical();
  size_t characters = 0;
  for (const std::string* s : {&file.Info.SetupName, &file.Info.ShortName, &file.Info.SetupExeName,
                               &file.Info.UninstallExeName, &file.Info.UninstallPrefix, &file.Info.InstallDir,
                               &file.Info.Changelog, &file.Info.InstallDirRegKey.Path,
                               &file.Info.InstallDirRegKey.Key, &file.Info.Pages, &file.Info.UninstallPages})
    characters += s->size();
  file.Info.Changelog += std::string(172 - characters, 'x');
  EXPECT_EQ(file.SaveToBytes().size(), 197u);
}

TEST(SetupInfo, ATruncatedRecordLoadsWhatItHolds) {
  TSetupInfoFile file;
  file.Info = Typical();
  const auto bytes = file.SaveToBytes();
  // Cut inside InstallDir (the sixth string).
  const size_t cut = 2 + 15 + 2 + 11 + 2 + 14 + 2 + 25 + 2 + 12 + 2 + 5;
  TSetupInfoFile loaded;
  loaded.Info.Pages = "old";
  loaded.LoadFromBuffer(bytes.data(), cut);
  EXPECT_EQ(loaded.Info.UninstallPrefix, "Demo Add-on_");
  EXPECT_EQ(loaded.Info.InstallDir, "$PROG");
  EXPECT_EQ(loaded.Info.Pages, "");
  EXPECT_EQ(loaded.Info.InstallDirRegKey, TREGKEY());
  EXPECT_EQ(loaded.Info.MakeUninstaller, 0);
}

}  // namespace
