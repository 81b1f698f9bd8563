#include "platform/Registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/Files.h"
#include "platform/posix/Prefix.h"
#include "support/TestMachine.h"
#include "support/HostFiles.h"

namespace platform {
namespace {

using testing_support::ReadHostFile;

namespace fs = std::filesystem;
using testing_support::TempPrefix;

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::optional<std::string> Read(RegistryRoot root, const std::string& key, const std::string& name) {
  const auto opened = RegistryKey::Open(root, key, false);
  return opened ? opened->ReadString(name).AsOptional() : std::nullopt;
}

platform::Status Write(RegistryRoot root, const std::string& key, const std::string& name,
                       const std::string& data) {
  auto opened = RegistryKey::Open(root, key, true);
  return opened ? opened->WriteString(name, data) : opened.ToStatus();
}

// Replaces the time stamps of the given keys ("[key] 123" and the "#time=" line after
// it) by "T", so that texts written at different moments compare.
std::string WithoutStamps(std::string text, const std::vector<std::string>& keys) {
  for (const auto& key : keys) {
    const std::string head = "[" + key + "] ";
    const size_t at = text.find(head);
    if (at == std::string::npos) continue;
    const size_t lineEnd = text.find_first_of("\r\n", at);
    text.replace(at + head.size(), lineEnd - at - head.size(), "T");
    const size_t time = text.find("#time=", at);
    if (time != std::string::npos && time == text.find('\n', at) + 1)
      text.replace(time + 6, text.find_first_of("\r\n", time) - time - 6, "T");
  }
  return text;
}

// A piece of a real prefix's system.reg: value types this program never reads,
// continuation lines, options, a comment and a link key.
const char kWineSystemReg[] = R"REG(WINE REGISTRY Version 2
;; All keys relative to \\Machine

#arch=win32

[Software\\Classes\\.txt] 1700000000
#time=1da1b2c3d4e5f60
@="txtfile"
"Content Type"="text/plain"
"PerceivedType"="text"

[Software\\Microsoft\\Windows NT\\CurrentVersion] 1700000001
#time=1da1b2c3d4e5f61
"CSDVersion"=""
"CurrentBuildNumber"="19045"
"CurrentMajorVersionNumber"=dword:0000000a
"DigitalProductId"=hex:00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,\
  00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,\
  00,00
"InstallTime"=hex(b):00,e0,5b,6d,21,17,da,01
"ProductName"="Windows 10 Pro"
; hand-written note that must survive
"SystemRoot"="C:\\windows"

[Software\\Microsoft\\Windows\\CurrentVersion] 1700000002
#time=1da1b2c3d4e5f62
#class="Shell"
"CommonFilesDir"="C:\\Program Files\\Common Files"
"MediaPathUnexpanded"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,\
  00,6f,00,74,00,25,00,5c,00,4d,00,65,00,64,00,69,00,61,00,00,00
"ProgramFilesDir"="C:\\Program Files"
"ProgramFilesPath"=str(2):"%ProgramFiles%"

[System\\ControlSet001\\Control\\ProductOptions] 1700000004
#time=1da1b2c3d4e5f64
"ProductSuite"=str(7):"Terminal Server\0"
"ProductType"="WinNT"

[System\\CurrentControlSet] 1700000006
#time=1da1b2c3d4e5f66
#link
"SymbolicLinkValue"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,79,\
  00,5c,00,4d,00,61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,53,00,79,00,73,00,\
  74,00,65,00,6d,00,5c,00,43,00,6f,00,6e,00,74,00,72,00,6f,00,6c,00,53,00,65,\
  00,74,00,30,00,30,00,31,00
)REG";

TEST(Registry, StringsRoundTripWithEscapesAndBytesAbove127) {
  TempPrefix prefix;
  const struct {
    std::string name;
    std::string data;
    const char* line;  // as Wine writes it
  } cases[] = {
      {"Path", "C:\\Games\\Demo\\", R"("Path"="C:\\Games\\Demo\\")"},
      {"Quote \"q\"", "say \"hi\"", R"("Quote \"q\""="say \"hi\"")"},
      {"Controls",
       "a\tb\nc\rd\x01"
       "7\x1b",
       R"("Controls"="a\tb\nc\rd\0017\e")"},
      {"Caf\xE9",
       "\xE9t\xE9 \x80 \xFF"
       "a",
       R"("Caf\xe9"="\xe9t\xe9 \x20ac \x00ffa")"},
      {"", "default", R"(@="default")"},
      {"Empty", "", R"("Empty"="")"},
      {"Brackets", "[x] %1", R"("Brackets"="[x] %1")"},
  };
  for (const auto& test : cases)
    ASSERT_TRUE(Write(RegistryRoot::CurrentUser, "Software\\Round Trip", test.name, test.data)) << test.name;
  const std::string file = ReadHostFile(prefix.Root() / "user.reg");
  EXPECT_NE(file.find("\n[Software\\\\Round Trip] "), std::string::npos) << file;
  for (const auto& test : cases) {
    EXPECT_NE(file.find("\n" + std::string(test.line) + "\n"), std::string::npos) << test.line << "\n"
                                                                                  << file;
    EXPECT_EQ(Read(RegistryRoot::CurrentUser, "SOFTWARE\\round trip", test.name), test.data) << test.name;
  }
}

TEST(Registry, ReadsWhatWineWrites) {
  TempPrefix prefix;
  WriteText(prefix.Root() / "user.reg", std::string(posix::kUserRegHeader) + R"REG(
[Environment] 1700000000
"TEMP"=str(2):"%USERPROFILE%\\AppData\\Local\\Temp"
"Octal"="\101\102\0103"
"Hex"="\x00e9t\xe9\x20ac"
"Utf8"="caf)REG"
                                                                             "\xC3\xA9"
                                                                             R"REG("
"Number"=dword:0000000a
"Binary"=hex:41,00
"Sz as hex"=hex(1):41,00,42,00,00,00
"Escaped x"="\xyz"
)REG");
  const struct {
    const char* name;
    std::optional<std::string> data;
  } cases[] = {
      {"temp", "%USERPROFILE%\\AppData\\Local\\Temp"},
      {"Octal", "AB\b3"},
      {"Hex", "\xE9t\xE9\x80"},
      {"UTF8", "caf\xE9"},
      {"Number", std::nullopt},
      {"Binary", std::nullopt},
      {"Sz as hex", "AB"},
      {"Escaped x", "xyz"},
      {"Missing", std::nullopt},
  };
  for (const auto& test : cases)
    EXPECT_EQ(Read(RegistryRoot::CurrentUser, "environment", test.name), test.data) << test.name;
}

TEST(Registry, AWriteKeepsEveryLineItDoesNotChange) {
  TempPrefix prefix;
  WriteText(prefix.Root() / "system.reg", kWineSystemReg);
  ASSERT_TRUE(Write(RegistryRoot::LocalMachine, "software\\microsoft\\windows\\currentversion",
                    "ProgramFilesDir", "D:\\Programs"));
  ASSERT_TRUE(Write(RegistryRoot::LocalMachine, "Software\\Demo", "Name", "x"));
  ASSERT_TRUE(RegistryKey::Open(RegistryRoot::ClassesRoot, ".TXT", false)->DeleteValue("perceivedtype"));

  std::string expected = kWineSystemReg;
  const auto replace = [&](const std::string& from, const std::string& to) {
    const size_t at = expected.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    expected.replace(at, from.size(), to);
  };
  replace(R"("ProgramFilesDir"="C:\\Program Files")", R"("ProgramFilesDir"="D:\\Programs")");
  replace("\"PerceivedType\"=\"text\"\n", "");
  replace("1700000000\n#time=1da1b2c3d4e5f60", "T\n#time=T");
  replace("1700000002\n#time=1da1b2c3d4e5f62", "T\n#time=T");
  expected += "\n[Software\\\\Demo] T\n#time=T\n\"Name\"=\"x\"\n";
  EXPECT_EQ(WithoutStamps(ReadHostFile(prefix.Root() / "system.reg"),
                          {"Software\\\\Classes\\\\.txt",
                           "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion", "Software\\\\Demo"}),
            expected);
  EXPECT_EQ(
      Read(RegistryRoot::LocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion", "ProductName"),
      "Windows 10 Pro");
}

TEST(Registry, LinesEndedWithCarriageReturnsKeepThem) {
  TempPrefix prefix;
  const std::string original =
      "WINE REGISTRY Version 2\r\n;; All keys relative to \\\\Machine\r\n\r\n"
      "[Software\\\\A] 1\r\n\"x\"=\"1\"\r\n";
  WriteText(prefix.Root() / "system.reg", original);
  ASSERT_TRUE(Write(RegistryRoot::LocalMachine, "Software\\A", "y", "2"));
  EXPECT_EQ(WithoutStamps(ReadHostFile(prefix.Root() / "system.reg"), {"Software\\\\A"}),
            "WINE REGISTRY Version 2\r\n;; All keys relative to \\\\Machine\r\n\r\n"
            "[Software\\\\A] T\r\n\"x\"=\"1\"\r\n\"y\"=\"2\"\r\n");
}

TEST(Registry, AFileThatCannotBeParsedIsNeverRewritten) {
  TempPrefix prefix;
  const struct {
    std::string text;
    const char* where;
  } cases[] = {
      {"WINE REGISTRY Version 2\n\n[Software\\\\A] 1\n\"x\"=\"1\"\n[Software\\\\Broken\n",
       ":5: malformed key"},
      {"WINE REGISTRY Version 2\n\n[Software\\\\A] 1\n\"x\"=\"unterminated\n", ":4: malformed value"},
      {"WINE REGISTRY Version 2\n\"x\"=\"1\"\n", ":2: value outside any key"},
      {"WINE REGISTRY Version 2\n\n[Software\\\\A] 1\n\"x\"=hex:41,\\\n", ":4: malformed value"},
      {"WINE REGISTRY Version 2\n\n[Software\\\\A] 1\nwhat is this\n", ":4: unrecognised line"},
      {"REGEDIT4\n\n[Software\\\\A]\n", ":1: not a Wine registry file"},
      {std::string("WINE REGISTRY Version 2\n\n[Software\\\\A] 1\n\"x\"=\"1") + '\0' + "\"\n",
       ":4: binary data"},
  };
  const fs::path file = prefix.Root() / "system.reg";
  for (const auto& test : cases) {
    WriteText(file, test.text);
    const platform::Status written = Write(RegistryRoot::LocalMachine, "Software\\A", "y", "2");
    EXPECT_FALSE(written) << test.where;
    EXPECT_NE(written.Problem().find(file.string() + test.where), std::string::npos) << written.Problem();
    const platform::Status deleted = DeleteRegistryKey(RegistryRoot::LocalMachine, "Software\\A");
    EXPECT_NE(deleted.Problem().find(file.string() + test.where), std::string::npos) << deleted.Problem();
    EXPECT_EQ(ReadHostFile(file), test.text) << test.where;
  }
  // What can be read still is, with the damage reported beside it.
  WriteText(file, cases[0].text);
  EXPECT_EQ(Read(RegistryRoot::LocalMachine, "Software\\A", "x"), "1");
  EXPECT_NE(RegistryDamageAt(RegistryRoot::LocalMachine, "Software\\A").find(":5: malformed key"),
            std::string::npos);
  EXPECT_EQ(RegistryDamageAt(RegistryRoot::CurrentUser, "Software\\A"), "");  // user.reg is whole
}

TEST(Registry, KeysAreCreatedAndDeletedAsOnWindows) {
  TempPrefix prefix;
  EXPECT_FALSE(RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\Maker\\Game", false).Ok());
  EXPECT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\Maker\\Game\\Sub", true).Ok());
  EXPECT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, "software\\maker", false).Ok());
  EXPECT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, "", false).Ok());
  EXPECT_FALSE(DeleteRegistryKey(RegistryRoot::CurrentUser, "Software\\Maker\\Game"));  // sub-keys
  EXPECT_TRUE(DeleteRegistryKey(RegistryRoot::CurrentUser, "Software\\Maker\\Game\\Sub"));
  EXPECT_FALSE(DeleteRegistryKey(RegistryRoot::CurrentUser, "Software\\Maker\\Game\\Sub"));
  // The parent had no section of its own; it must not vanish with its last child.
  EXPECT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\Maker\\Game", false).Ok());
  EXPECT_TRUE(DeleteRegistryKey(RegistryRoot::CurrentUser, "Software\\Maker\\Game"));
  EXPECT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\Maker", false).Ok());
  EXPECT_FALSE(DeleteRegistryKey(RegistryRoot::CurrentUser, ""));

  RegistryKey key = *RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\Maker", false);
  EXPECT_FALSE(key.DeleteValue("absent"));
  EXPECT_TRUE(key.WriteString("v", "1"));
  EXPECT_TRUE(key.DeleteValue("V"));
  EXPECT_FALSE(key.ReadString("v"));
  ASSERT_TRUE(DeleteRegistryKey(RegistryRoot::CurrentUser, "Software\\Maker"));
  EXPECT_FALSE(key.WriteString("v", "1"));  // a deleted key takes no values
  key.Close();
  EXPECT_FALSE(key.IsOpen());
}

TEST(Registry, TheNullRootAndCodesOutsideTheTableFailEverything) {
  TempPrefix prefix;
  const struct {
    int code;
    RegistryRoot root;
  } codes[] = {{0, RegistryRoot::LocalMachine},  {1, RegistryRoot::CurrentUser},
               {2, RegistryRoot::ClassesRoot},   {3, RegistryRoot::Users},
               {4, RegistryRoot::CurrentConfig}, {5, RegistryRoot::None},
               {-1, RegistryRoot::None},         {255, RegistryRoot::None}};
  for (const auto& test : codes) EXPECT_EQ(RegistryRootFromCode(test.code), test.root) << test.code;
  EXPECT_FALSE(RegistryKey::Open(RegistryRoot::None, "Software", true).Ok());
  EXPECT_FALSE(RegistryKey::Open(RegistryRoot::None, "", false).Ok());
  EXPECT_FALSE(DeleteRegistryKey(RegistryRoot::None, "Software"));
  RegistryKey closed;
  EXPECT_FALSE(closed.IsOpen());
  EXPECT_FALSE(closed.ReadString("x"));
  EXPECT_FALSE(closed.WriteString("x", "y"));
}

TEST(Registry, RootsMapToTheirFilesAndKeys) {
  TempPrefix prefix;
  WriteText(prefix.Root() / "system.reg", kWineSystemReg);
  ASSERT_TRUE(Write(RegistryRoot::ClassesRoot, "demoproto\\shell\\open\\command", "", "\"x.exe\""));
  EXPECT_EQ(Read(RegistryRoot::LocalMachine, "Software\\Classes\\DemoProto\\shell\\open\\command", ""),
            "\"x.exe\"");
  EXPECT_EQ(Read(RegistryRoot::ClassesRoot, ".txt", ""), "txtfile");
  ASSERT_TRUE(Write(RegistryRoot::Users, ".Default\\Control Panel", "Beep", "No"));
  EXPECT_NE(ReadHostFile(prefix.Root() / "userdef.reg").find("[Control Panel]"), std::string::npos);
  ASSERT_TRUE(Write(RegistryRoot::Users, "S-1-5-21-0-0-0-1000\\Software\\X", "a", "b"));
  EXPECT_EQ(Read(RegistryRoot::CurrentUser, "Software\\X", "a"), "b");
  EXPECT_FALSE(Write(RegistryRoot::Users, "S-1-5-18\\Software\\X", "a", "b"));
  // CurrentControlSet is a link to ControlSet001, as in a real prefix.
  EXPECT_EQ(
      Read(RegistryRoot::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", "ProductType"),
      "WinNT");
  ASSERT_TRUE(Write(RegistryRoot::CurrentConfig, "Software\\Fonts", "LogPixels", "96"));
  EXPECT_NE(ReadHostFile(prefix.Root() / "system.reg")
                .find("[System\\\\ControlSet001\\\\Hardware Profiles\\\\Current\\\\Software\\\\Fonts]"),
            std::string::npos);
  EXPECT_EQ(Read(RegistryRoot::LocalMachine,
                 "System\\ControlSet001\\Hardware Profiles\\Current\\Software\\Fonts", "LogPixels"),
            "96");
}

TEST(Registry, ASixtyFourBitPrefixShowsSoftwareAsAThirtyTwoBitProgramSeesIt) {
  TempPrefix prefix;
  WriteText(prefix.Root() / "system.reg",
            "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
            "[Software\\\\Wow6432Node\\\\Maker\\\\Game] 1\n\"Path\"=\"C:\\\\Games\\\\Game\"\n\n"
            "[Software\\\\Maker\\\\Game] 1\n\"Path\"=\"C:\\\\Native\"\n");
  EXPECT_EQ(Read(RegistryRoot::LocalMachine, "SOFTWARE\\Maker\\Game", "Path"), "C:\\Games\\Game");
  ASSERT_TRUE(Write(RegistryRoot::LocalMachine, "Software\\Demo", "a", "b"));
  ASSERT_TRUE(Write(RegistryRoot::ClassesRoot, "demoproto", "", "URL:demoproto Protocol"));
  const std::string file = ReadHostFile(prefix.Root() / "system.reg");
  EXPECT_NE(file.find("[Software\\\\Wow6432Node\\\\Demo]"), std::string::npos) << file;
  EXPECT_NE(file.find("[Software\\\\Classes\\\\demoproto]"), std::string::npos) << file;
}

TEST(Registry, ChangesMadeBehindOurBackAreSeen) {
  TempPrefix prefix;
  const fs::path file = prefix.Root() / "user.reg";
  const std::string head = std::string(posix::kUserRegHeader) + "\n[Software\\\\A] 1\n\"v\"=\"";
  WriteText(file, head + "one\"\n");
  EXPECT_EQ(Read(RegistryRoot::CurrentUser, "Software\\A", "v"), "one");
  WriteText(file, head + "two\"\n");  // same size, same moment
  EXPECT_EQ(Read(RegistryRoot::CurrentUser, "Software\\A", "v"), "two");
  ASSERT_TRUE(Write(RegistryRoot::CurrentUser, "Software\\A", "w", "x"));
  WriteText(file, head + "six\"\n");
  EXPECT_EQ(Read(RegistryRoot::CurrentUser, "Software\\A", "v"), "six");
  EXPECT_FALSE(Read(RegistryRoot::CurrentUser, "Software\\A", "w"));
}

TEST(Registry, WritersInOtherProcessesAndThreadsLoseNothing) {
  TempPrefix prefix;
  ASSERT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\Race", true).Ok());
  constexpr int kProcesses = 3, kThreads = 2, kWrites = 15;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int failures = 0;
      for (int i = 0; i < kWrites; ++i) {
        const std::string name = "p" + std::to_string(p) + "-" + std::to_string(i);
        failures += !Write(RegistryRoot::CurrentUser, "Software\\Race", name, name);
        failures += !Write(RegistryRoot::CurrentUser, "Software\\Race\\" + name, "", name);
      }
      std::_Exit(failures == 0 ? 0 : 1);
    }
    children.push_back(pid);
  }
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kWrites; ++i) {
        const std::string name = "t" + std::to_string(t) + "-" + std::to_string(i);
        EXPECT_TRUE(Write(RegistryRoot::CurrentUser, "Software\\Race", name, name));
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int p = 0; p < kProcesses; ++p) {
    for (int i = 0; i < kWrites; ++i) {
      const std::string name = "p" + std::to_string(p) + "-" + std::to_string(i);
      EXPECT_EQ(Read(RegistryRoot::CurrentUser, "Software\\Race", name), name);
      EXPECT_EQ(Read(RegistryRoot::CurrentUser, "Software\\Race\\" + name, ""), name);
    }
  }
  for (int t = 0; t < kThreads; ++t)
    for (int i = 0; i < kWrites; ++i) {
      const std::string name = "t" + std::to_string(t) + "-" + std::to_string(i);
      EXPECT_EQ(Read(RegistryRoot::CurrentUser, "Software\\Race", name), name);
    }
  // No temporary files are left in the prefix.
  for (const auto& entry : fs::directory_iterator(prefix.Root()))
    EXPECT_EQ(entry.path().filename().string().find(".reg."), std::string::npos) << entry.path();
}

TEST(Registry, TheTemporaryFolderFollowsTheUsersTempVariable) {
  TempPrefix prefix;
  ASSERT_TRUE(Write(RegistryRoot::CurrentUser, "Environment", "TEMP", "%USERPROFILE%\\My Temp\\"));
  EXPECT_EQ(TempFolder(), "C:\\users\\" + posix::UserName() + "\\My Temp");
  EXPECT_TRUE(fs::is_directory(prefix.DriveC() / "users" / posix::UserName() / "My Temp"));
  ASSERT_TRUE(Write(RegistryRoot::CurrentUser, "Environment", "TEMP", "\\\\server\\temp"));
  EXPECT_EQ(TempFolder(), "C:\\users\\" + posix::UserName() + "\\AppData\\Local\\Temp");
}

}  // namespace
}  // namespace platform

namespace platform {
namespace {

// A program killed between writing a registry file's temporary and renaming it leaves
// the temporary in the prefix; the next change removes it, and nothing else.
TEST(Registry, AChangeRemovesTemporariesThatAKilledWriterLeft) {
  TempPrefix prefix;
  ASSERT_TRUE(Write(RegistryRoot::LocalMachine, "Software\\First", "v", "1"));
  const fs::path root = prefix.Root();
  for (const char* name : {"system.reg.Ab12Cd", "system.reg.zzzzzz", "system.reg.bak", "system.reg.Ab12Cd7",
                           "user.reg.Qw34Er", "notes.reg.Ab12Cd"})
    WriteText(root / name, "left over");
  ASSERT_TRUE(Write(RegistryRoot::LocalMachine, "Software\\Second", "v", "2"));
  EXPECT_FALSE(fs::exists(root / "system.reg.Ab12Cd"));
  EXPECT_FALSE(fs::exists(root / "system.reg.zzzzzz"));
  for (const char* kept : {"system.reg.bak", "system.reg.Ab12Cd7", "user.reg.Qw34Er", "notes.reg.Ab12Cd"})
    EXPECT_TRUE(fs::exists(root / kept)) << kept;
  EXPECT_EQ(Read(RegistryRoot::LocalMachine, "Software\\Second", "v"), "2");
}

}  // namespace
}  // namespace platform
