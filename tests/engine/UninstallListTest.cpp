#include "engine/SE_Uninstall_List.h"

#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "platform/Files.h"
#include "script/SE_Global.h"
#include "script/SE_KeyDigits.h"
#include "script/ZTI_FixedKeys.h"
#include "script/ZTI_SetupInfo.h"
#include "support/TestMachine.h"

namespace {

using Strings = std::vector<std::string>;

class UninstallListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetupInfoFile() = TSetupInfoFile();
    SetupVariables() = TSetupVariables();
  }
  void TearDown() override { SetUp(); }
};

TEST_F(UninstallListTest, FilesAreFoldedAndKeptOnce) {
  InstallDir() = "C:\\Games\\Demo\\";
  SetupVariables().StartMenuProgramsDir = "C:\\Start\\Programs\\";
  SetupVariables().ProgramFilesDir = "C:\\Program Files\\";
  TUninstallList list;
  list.AddFile("C:\\Games\\Demo\\bin\\x.dll");
  list.AddFile("c:\\games\\demo\\BIN\\X.DLL");  // the same file, extracted twice
  list.AddFile("C:\\Start\\Programs\\Demo\\Play.lnk");
  list.AddFile("C:\\Program Files\\Shared\\y.dll");
  list.AddFile("D:\\elsewhere.txt");
  EXPECT_EQ(list.Files(), (Strings{"$INSTDIRbin\\x.dll", "$SMPROGRAMSDemo\\Play.lnk",
                                   "$PROGRAMFILESShared\\y.dll", "D:\\elsewhere.txt"}));
  EXPECT_TRUE(list.HasFile("$instdirBIN\\x.dll"));
  EXPECT_FALSE(list.HasFile("C:\\Games\\Demo\\bin\\x.dll"));  // HasFile does not fold
}

TEST_F(UninstallListTest, RegistryEntriesOnceDirectoriesAlways) {
  TUninstallList list;
  list.AddRegistryEntry("\"HKCU\" \"Software\\Demo\" \"Path\" \"C:\\x\"");
  list.AddRegistryEntry("\"hkcu\" \"software\\demo\" \"path\" \"c:\\x\"");
  list.AddRegistryEntry("\"HKCU\" \"Software\\Demo\" \"\" \"demo:\"");
  list.AddDirectory("C:\\A\\");
  list.AddDirectory("C:\\A\\");
  EXPECT_EQ(list.RegistryEntries().size(), 2u);
  EXPECT_TRUE(list.HasRegistryEntry("\"HKCU\" \"SOFTWARE\\DEMO\" \"\" \"DEMO:\""));
  EXPECT_EQ(list.Directories(), (Strings{"C:\\A\\", "C:\\A\\"}));
  list.Clear();
  EXPECT_TRUE(list.Files().empty() && list.RegistryEntries().empty() && list.Directories().empty());
  list.AddRegistryEntry("\"HKCU\" \"Software\\Demo\" \"Path\" \"C:\\x\"");
  EXPECT_EQ(list.RegistryEntries().size(), 1u);  // the index was cleared too
}

TEST_F(UninstallListTest, LogBytesAreCountsThenScrambledItems) {
  EXPECT_EQ(SerializeInstallLog({}), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0}));
  TInstallLogLists lists;
  lists.Files = {"ab"};
  lists.Directories = {"", "c"};
  const auto bytes = SerializeInstallLog(lists);
  // "6643..." is the key: every item starts again at its first digit.
  const std::vector<uint8_t> expected = {1, 0, 0,       0,       2, 0,  // counts
                                         2, 0, 'a' + 6, 'b' + 6,        // file
                                         0, 0,                          // empty directory
                                         1, 0, 'c' + 6};                // directory
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(kInstallLogKey.substr(0, 2), "66");
}

TEST_F(UninstallListTest, LogsRoundTripIncludingEmptyAndHighItems) {
  TInstallLogLists lists;
  lists.Files = {"$INSTDIRa.txt", "", std::string("caf\xE9\xFF\x00z", 7)};
  lists.RegistryEntries = {"\"HKLM\" \"Software\\X\" \"V\" \"d\""};
  lists.Directories = {"C:\\Games\\Demo\\", "C:\\Games\\Demo\\sub"};
  std::string everyByte;
  for (int b = 0; b < 256; ++b) everyByte += static_cast<char>(b);
  lists.Directories.push_back(everyByte + everyByte);
  const auto bytes = SerializeInstallLog(lists);
  const TParsedInstallLog back = ParseInstallLog(bytes.data(), bytes.size());
  EXPECT_TRUE(back.complete);
  EXPECT_EQ(back.lists.Files, lists.Files);
  EXPECT_EQ(back.lists.RegistryEntries, lists.RegistryEntries);
  EXPECT_EQ(back.lists.Directories, lists.Directories);
}

TEST_F(UninstallListTest, ATruncatedLogLoadsTheWholeItemsItHolds) {
  TInstallLogLists lists;
  lists.Files = {"one", "two"};
  lists.RegistryEntries = {"reg"};
  lists.Directories = {"dir"};
  const auto bytes = SerializeInstallLog(lists);
  struct Case {
    size_t cut;
    size_t files, registry, directories;
  } cases[] = {
      {0, 0, 0, 0},  {5, 0, 0, 0},  {6, 0, 0, 0},  {10, 0, 0, 0},
      {11, 1, 0, 0}, {16, 2, 0, 0}, {21, 2, 1, 0}, {25, 2, 1, 0},
  };
  for (const auto& c : cases) {
    const TParsedInstallLog back = ParseInstallLog(bytes.data(), c.cut);
    EXPECT_FALSE(back.complete) << c.cut;
    EXPECT_EQ(back.lists.Files.size(), c.files) << c.cut;
    EXPECT_EQ(back.lists.RegistryEntries.size(), c.registry) << c.cut;
    EXPECT_EQ(back.lists.Directories.size(), c.directories) << c.cut;
  }
  EXPECT_TRUE(ParseInstallLog(bytes.data(), bytes.size()).complete);
  EXPECT_EQ(ParseInstallLog(bytes.data(), bytes.size()).lists.Directories[0], "dir");
}

TEST_F(UninstallListTest, ListsThatDoNotFitTheFormatAreRefused) {
  TInstallLogLists many;
  many.Files.assign(65536, "f");
  EXPECT_THROW(SerializeInstallLog(many), platform::ESetupError);
  many.Files.resize(65535);
  EXPECT_EQ(SerializeInstallLog(many).size(), 6 + 65535 * 3u);
  TInstallLogLists longItem;
  longItem.RegistryEntries = {std::string(65536, 'r')};
  EXPECT_THROW(SerializeInstallLog(longItem), platform::ESetupError);
}

TEST_F(UninstallListTest, SaveAndLoadThroughTheLogFile) {
  testing_support::TempPrefix prefix;
  const std::string demo = prefix.Path("C:\\Demo");
  ASSERT_TRUE(platform::MakeDirectory(demo));
  InstallDir() = demo + "\\";
  TUninstallList list;
  list.AddFile(demo + "\\readme.txt");
  list.AddRegistryEntry("\"HKCU\" \"Software\\Demo\" \"Path\" \"C:\\Demo\"");
  list.AddDirectory(demo + "\\");
  list.Save(demo, "Demo_");
  EXPECT_TRUE(platform::FileExists(demo + "\\Demo_install.log"));

  TUninstallList loaded;
  loaded.AddFile("C:\\other");
  EXPECT_FALSE(loaded.Load(demo, "Nothing_"));
  EXPECT_EQ(loaded.Files().size(), 1u);  // unchanged without a log
  EXPECT_TRUE(loaded.Load(demo, "Demo_"));
  EXPECT_EQ(loaded.Files(), (Strings{"$INSTDIRreadme.txt"}));
  EXPECT_EQ(loaded.RegistryEntries(), list.RegistryEntries());
  EXPECT_EQ(loaded.Directories(), list.Directories());
  loaded.AddFile(demo + "\\README.TXT");  // the loaded items are indexed
  EXPECT_EQ(loaded.Files().size(), 1u);

  TUninstallList empty;
  empty.Save(demo, "Demo_");  // replaces the old log
  EXPECT_EQ(platform::ReadWholeFile(demo + "\\Demo_install.log"),
            std::optional<std::vector<uint8_t>>(std::vector<uint8_t>(6, 0)));

  TUninstallList tooMany;
  for (int i = 0; i < 65536; ++i) tooMany.AddDirectory("d");
  try {
    tooMany.Save(demo, "Demo_");
    ADD_FAILURE();
  } catch (const platform::ESetupError& e) {
    EXPECT_NE(std::string(e.what()).find(demo + "\\Demo_install.log"), std::string::npos);
  }
  EXPECT_EQ(platform::ReadWholeFile(demo + "\\Demo_install.log")->size(), 6u);  // untouched
  EXPECT_THROW(list.Save(prefix.Path("C:\\Missing"), "Demo_"), platform::ESetupError);
}

TEST_F(UninstallListTest, TheProgramsListIsTheRecorderWhenInstalled) {
  UninstallList() = TUninstallList();
  SetInstallRecorder(&UninstallList());
  RecordInstalledFile("C:\\x.txt");
  RecordCreatedDirectory("C:\\d\\");
  RecordRegistryEntry("\"HKLM\" \"K\" \"V\" \"D\"");
  SetInstallRecorder(nullptr);
  EXPECT_EQ(UninstallList().Files(), Strings{"C:\\x.txt"});
  EXPECT_EQ(UninstallList().Directories(), Strings{"C:\\d\\"});
  EXPECT_EQ(UninstallList().RegistryEntries().size(), 1u);
  UninstallList() = TUninstallList();
}

}  // namespace
