// The registry, shortcut and install-log commands on the setup thread: values in the
// registry, entry lines recorded with the data as written, shell link files, and a log
// carried over from an earlier installation. The prefix's registry files are checked
// in posix/.
#include <gtest/gtest.h>

#include "SetupRunFixture.h"
#include "engine/SE_Uninstall_List.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/ShellLink.h"
#include "script/SE_Global.h"

namespace engine_test {
namespace {

using Lines = std::vector<std::string>;
using platform::RegistryRoot;

constexpr const char* kHeader = "name Demo\nprefix Demo\nuninstallpages uninstall\n";

class RegistryCommandsTest : public SetupRun {};

TEST_F(RegistryCommandsTest, WriteRegStrWritesTheExpandedDataAndRecordsItAsWritten) {
  Pack(std::string(kHeader) +
       "writeregstr HKLM Software\\Demo Path $INSTDIR\n"
       "writeregstr hklm Software\\Demo Lower lower\n"       // root names ignore case
       "writeregstr BOGUS Software\\Demo Unknown machine\n"  // unknown: local machine
       "writeregstr HKCU \"Software\\Demo Maker\" \"\" \"$INSTDIR\\demo.exe\"\n"
       "writeregstr HKLM Software\\Demo Path $INSTDIR\n"    // the same line: once
       "writeregstr HKLM SOFTWARE\\demo PATH $instdir\n");  // differs only in case: once
  Run();
  const struct {
    RegistryRoot root;
    const char* key;
    const char* name;
    std::string data;
  } values[] = {
      {RegistryRoot::LocalMachine, "Software\\Demo", "Path", At("C:\\Games\\Demo\\")},
      {RegistryRoot::LocalMachine, "Software\\Demo", "Lower", "lower"},
      {RegistryRoot::LocalMachine, "Software\\Demo", "Unknown", "machine"},
      {RegistryRoot::CurrentUser, "Software\\Demo Maker", "", At("C:\\Games\\Demo\\demo.exe")},
  };
  for (const auto& v : values)
    EXPECT_EQ(RegValue(v.root, v.key, v.name), std::optional<std::string>(v.data)) << v.name;
  EXPECT_EQ(
      InstallLog("C:\\Games\\Demo\\", "Demo_"),
      (Lines{"R \"HKLM\" \"Software\\Demo\" \"Path\" \"$INSTDIR\"",
             "R \"hklm\" \"Software\\Demo\" \"Lower\" \"lower\"",
             "R \"BOGUS\" \"Software\\Demo\" \"Unknown\" \"machine\"",
             "R \"HKCU\" \"Software\\Demo Maker\" \"\" \"$INSTDIR\\demo.exe\"",
             "D " + At("C:\\Games\\Demo\\"), "D " + At("C:\\Games\\"), "D " + At("C:\\Games\\Demo\\")}));
}

TEST_F(RegistryCommandsTest, WriteRegStrUrlRegistersAProtocolHandler) {
  Pack(std::string(kHeader) +
       "writeregstr_url demoproto $INSTDIR\\demo.ico $INSTDIR\\demo.exe %1 \"-x $INSTDIR\"\n"
       "writeregstr_url bare $INSTDIR\\bare.ico $INSTDIR\\bare.exe\n");
  Run();
  const struct {
    const char* key;
    const char* name;
    std::string data;
  } values[] = {
      {"demoproto", "", "URL:demoproto Protocol"},
      {"demoproto", "URL Protocol", ""},
      {"demoproto\\DefaultIcon", "", At("C:\\Games\\Demo\\demo.ico")},
      // Arguments after the program are quoted but not expanded.
      {"demoproto\\shell\\open\\command", "",
       "\"" + At("C:\\Games\\Demo\\demo.exe") + "\" \"%1\" \"-x $INSTDIR\""},
      {"bare\\shell\\open\\command", "", "\"" + At("C:\\Games\\Demo\\bare.exe") + "\""},
  };
  for (const auto& v : values)
    EXPECT_EQ(RegValue(RegistryRoot::ClassesRoot, v.key, v.name), std::optional<std::string>(v.data))
        << v.key << " " << v.name;
  const std::optional<Lines> log = InstallLog("C:\\Games\\Demo\\", "Demo_");
  ASSERT_TRUE(log);
  EXPECT_EQ(Lines(log->begin(), log->begin() + 4),
            (Lines{"R \"HKCR\" \"demoproto\" \"\" \"\"", "R \"HKCR\" \"demoproto\" \"URL Protocol\" \"\"",
                   "R \"HKCR\" \"demoproto\\DefaultIcon\\\" \"\" \"\"",
                   "R \"HKCR\" \"demoproto\\shell\\open\\command\\\" \"\" \"\""}));
  EXPECT_EQ(log->size(), 8u + 3u);  // two protocols, and the three directories
}

TEST_F(RegistryCommandsTest, CreateShortcutWritesALinkAndRecordsItsNewFolder) {
  Pack(std::string(kHeader) +
       "createshortcut \"$SMPROGRAMS\\Demo Games\\Play.lnk\" $INSTDIR\\demo.exe -window\n"
       "createshortcut \"$SMPROGRAMS\\Demo Games\\Help.lnk\" $INSTDIR\\help.txt \"\" $INSTDIR\\demo.exe\n"
       "createshortcut $INSTDIR\\Same.lnk $INSTDIR\\demo.exe \"\" $INSTDIR\\demo.exe\n");
  Run();
  const std::string menu = SetupVariables().StartMenuProgramsDir;
  platform::ShellLink play;
  play.target = At("C:\\Games\\Demo\\demo.exe");
  play.arguments = "-window";
  play.workingDirectory = At("C:\\Games\\Demo");
  platform::ShellLink help;
  help.target = At("C:\\Games\\Demo\\help.txt");
  help.workingDirectory = At("C:\\Games\\Demo");
  help.iconPath = At("C:\\Games\\Demo\\demo.exe");
  platform::ShellLink same = play;  // an icon equal to the target sets none
  same.arguments.clear();
  const struct {
    std::string link;
    const platform::ShellLink& expected;
  } links[] = {
      {menu + "Demo Games\\Play.lnk", play},
      {menu + "Demo Games\\Help.lnk", help},
      {At("C:\\Games\\Demo\\Same.lnk"), same},
  };
  for (const auto& l : links) {
    const auto bytes = platform::ReadWholeFile(l.link);
    ASSERT_TRUE(bytes) << l.link;
    EXPECT_EQ(*bytes, platform::BuildShellLink(l.expected, l.link)) << l.link;
  }
  EXPECT_EQ(InstallLog("C:\\Games\\Demo\\", "Demo_"),
            (Lines{"F $SMPROGRAMSDemo Games\\Play.lnk", "F $SMPROGRAMSDemo Games\\Help.lnk",
                   "F $INSTDIRSame.lnk", "D " + At("C:\\Games\\Demo\\"), "D " + menu + "Demo Games",
                   "D " + At("C:\\Games\\"), "D " + At("C:\\Games\\Demo")}));
}

// An earlier installation's log is loaded first, so the final log holds both; a log
// saved in the middle holds what was recorded up to there.
TEST_F(RegistryCommandsTest, InstallLogsAreLoadedAndSavedWhereTheScriptSays) {
  TUninstallList earlier;
  earlier.AddFile(At("C:\\Old\\old.dat"));
  earlier.AddRegistryEntry("\"HKCU\" \"Software\\Old\" \"V\" \"1\"");
  earlier.AddDirectory(At("C:\\Old\\"));
  HostWrite("C:\\Old\\placeholder", "");
  earlier.Save(At("C:\\Old"), "Prev_");
  Pack(std::string(kHeader) + "uninstalllogload " + At("C:\\Nowhere") +
       " Prev_\n"  // no log there: nothing changes
       "writeregstr HKCU Software\\Demo A 1\n"
       "uninstalllogload " +
       At("C:\\Old\\") +
       " Prev_\n"  // replaces everything recorded so far
       "writeregstr HKCU Software\\Demo B 2\n"
       "createdirectory $INSTDIR\n"
       "uninstalllogsave $INSTDIR Mid_\n"
       "writeregstr HKCU Software\\Demo C 3\n");
  Run();
  const Lines middle = {"F " + At("C:\\Old\\old.dat"),
                        "R \"HKCU\" \"Software\\Old\" \"V\" \"1\"",
                        "R \"HKCU\" \"Software\\Demo\" \"B\" \"2\"",
                        "D " + At("C:\\Old\\"),
                        "D " + At("C:\\Games\\"),
                        "D " + At("C:\\Games\\Demo\\"),
                        "D " + At("C:\\Games\\Demo\\")};
  EXPECT_EQ(InstallLog("C:\\Games\\Demo\\", "Mid_"), middle);
  Lines final = middle;
  final.insert(final.begin() + 3, "R \"HKCU\" \"Software\\Demo\" \"C\" \"3\"");
  EXPECT_EQ(InstallLog("C:\\Games\\Demo\\", "Demo_"), final);
}

}  // namespace
}  // namespace engine_test
