// The commands that update the game's own packages and archives, run on the setup
// thread from a packed script against a package and an archive made by setuptool,
// and checked with setuptool's own listings.
#include <gtest/gtest.h>

#include <sstream>

#include "SetupRunFixture.h"
#include "engine/SE_Uninstall_List.h"
#include "platform/Files.h"
#include "script/ZTI_CompLines.h"
#include "support/HostFiles.h"
#include "support/RunProgram.h"

namespace engine_test {
namespace {

using testing_support::LinesOf;
using testing_support::ProgramResult;
using testing_support::RunProgram;

// The first tab-separated field of every line.
std::vector<std::string> FirstFields(const std::string& text) {
  std::vector<std::string> names;
  for (const std::string& line : LinesOf(text)) names.push_back(line.substr(0, line.find('\t')));
  return names;
}

class GameDataCommandsTest : public SetupRun {
 protected:
  void SetUp() override {
    SetupRun::SetUp();
    fs::create_directories(Host("C:\\Games\\Demo"));
  }
  ProgramResult Tool(const std::vector<std::string>& args) { return RunProgram("setuptool", args); }
  std::string HostText(const std::string& windowsPath) const { return Host(windowsPath).string(); }
  void MakePackage(const std::string& windowsPath) {
    const ProgramResult made = Tool({"ztp", "create", HostText(windowsPath)});
    ASSERT_EQ(made.status, 0) << made.err;
  }
  void MakeArchive(const std::string& windowsPath) {
    const ProgramResult made = Tool(
        {"vfs", "create", HostText(windowsPath), "--block-size", "512", "--blocks", "200", "--roots", "16"});
    ASSERT_EQ(made.status, 0) << made.err;
  }
};

TEST_F(GameDataCommandsTest, UpdateCommandsChangePackagesAndArchivesAndRecordNothing) {
  MakePackage("C:\\Games\\Demo\\data.ztp");
  MakeArchive("C:\\Games\\Demo\\maps.vfs");
  MakeArchive("C:\\Games\\Demo\\sounds.vfs");
  WriteSource("ztp/Data/Notes.txt", std::string(4000, 'n'));
  WriteSource("ztp/readme.txt", "read me");
  WriteSource("mapdata/maps/m1/data.bin", std::string(3000, 'm'));
  WriteSource("mapdata/readme", "root file");
  WriteSource("sounds/fx/boom.snd", "boom");
  Pack(
      "name Demo\n"
      "ztpupdate ztp\\ secret data.ztp\n"
      "ztpofficial data.ztp VORPELK true\n"
      "duplicateentry data.ztp readme.txt copy\\readme.txt\n"
      "vfsupdate sounds\\ sounds.vfs\n"     // closed at once
      "vfsupdate mapdata\\ maps.vfs 0\n");  // left open: closed at the end of the run
  Run();
  ASSERT_TRUE(reported_.empty()) << reported_.front().first;

  ProgramResult listed = Tool({"ztp", "list", HostText("C:\\Games\\Demo\\data.ztp")});
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(FirstFields(listed.out),
            (std::vector<std::string>{"readme.txt", "Data\\Notes.txt", "copy\\readme.txt", "trailer"}));
  EXPECT_EQ(LinesOf(listed.out).back(), "trailer\tEIH2\tyes\t1");

  for (const char* archive : {"C:\\Games\\Demo\\maps.vfs", "C:\\Games\\Demo\\sounds.vfs"}) {
    const ProgramResult verified = Tool({"vfs", "verify", HostText(archive)});
    EXPECT_EQ(verified.status, 0) << archive << "\n" << verified.out << verified.err;
  }
  listed = Tool({"vfs", "list", HostText("C:\\Games\\Demo\\maps.vfs")});
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(FirstFields(listed.out),
            (std::vector<std::string>{"readme", "maps", "maps\\m1", "maps\\m1\\data.bin"}));

  EXPECT_TRUE(UninstallList().Files().empty());
  EXPECT_TRUE(UninstallList().RegistryEntries().empty());
}

// A run stopped after it changed a package and an archive gives both back: the
// package byte for byte, the archive with the same listing and a clean check (blocks
// that were free may keep what the update wrote into them), and no journal stays.
TEST_F(GameDataCommandsTest, AStoppedRunGivesThePackageAndTheArchiveBack) {
  MakePackage("C:\\Games\\Demo\\data.ztp");
  MakeArchive("C:\\Games\\Demo\\sounds.vfs");
  WriteSource("ztp/readme.txt", "read me");
  WriteSource("sounds/fx/boom.snd", std::string(2000, 'b'));
  WriteSource("files/locked.txt", "new");
  HostWrite("C:\\Games\\Demo\\locked.txt", "the game's own");
  fs::permissions(Host("C:\\Games\\Demo\\locked.txt"), fs::perms::owner_read);
  const std::string package = HostRead("C:\\Games\\Demo\\data.ztp");
  const std::string archiveListing = Tool({"vfs", "list", HostText("C:\\Games\\Demo\\sounds.vfs")}).out;
  Pack(
      "name Demo\nprefix Demo\n"
      "ztpupdate ztp\\ secret data.ztp\n"
      "vfsupdate sounds\\ sounds.vfs\n"
      "file files\\\n");  // cannot replace the read-only file: Cancel stops the run
  Run();
  fs::permissions(Host("C:\\Games\\Demo\\locked.txt"), fs::perms::owner_all);
  ASSERT_FALSE(asked_.empty());
  EXPECT_NE(asked_.back().text.find("the game was left as it was"), std::string::npos) << asked_.back().text;
  EXPECT_TRUE(HostRead("C:\\Games\\Demo\\data.ztp") == package);
  EXPECT_EQ(Tool({"vfs", "list", HostText("C:\\Games\\Demo\\sounds.vfs")}).out, archiveListing);
  const ProgramResult verified = Tool({"vfs", "verify", HostText("C:\\Games\\Demo\\sounds.vfs")});
  EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
  EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\data.ztp-journal"));
  EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\sounds.vfs-journal"));
  EXPECT_FALSE(platform::FileExists(JournalOf("Demo_")));
}

TEST_F(GameDataCommandsTest, AMissingArchiveStopsTheRunWithTheFailureText) {
  WriteSource("maps/readme", "root file");
  Pack(
      "name Demo\n"
      "vfsupdate maps\\ missing.vfs\n"
      "createdirectory $INSTDIR\\after\n");
  Run();
  ASSERT_EQ(asked_.size(), 1u);
  EXPECT_EQ(asked_[0].caption, "VFS Error");
  EXPECT_EQ(asked_[0].text, "Error: Unable to find <missing.vfs>");
  EXPECT_TRUE(AbortRequested);
  EXPECT_FALSE(HostDirExists("C:\\Games\\Demo\\after"));
  EXPECT_TRUE(reported_.empty());
}

TEST_F(GameDataCommandsTest, AWrongPasswordStopsTheProgramAndLeavesThePackageAsItWas) {
  MakePackage("C:\\Games\\Demo\\data.ztp");
  WriteSource("ztp/a.txt", "first");
  WriteSource("ztp2/b.txt", "second");
  Pack(
      "name Demo\n"
      "ztpupdate ztp\\ right data.ztp\n"
      "ztpupdate ztp2\\ wrong DATA.ZTP\n");
  // Both lines name the same package, so the second line's file joins the first line's
  // group and its own group stays empty: it opens nothing and checks no password.
  Run();
  ASSERT_TRUE(reported_.empty());
  const std::string before = HostRead("C:\\Games\\Demo\\data.ztp");
  ProgramResult listed = Tool({"ztp", "list", HostText("C:\\Games\\Demo\\data.ztp")});
  EXPECT_EQ(FirstFields(listed.out), (std::vector<std::string>{"a.txt", "b.txt", "trailer"}));

  Fresh();
  fs::create_directories(Host("C:\\Games\\Demo"));
  HostWrite("C:\\Games\\Demo\\data.ztp", before);
  WriteSource("ztp/c.txt", "third");
  Pack("name Demo\nztpupdate ztp\\ wrong data.ztp\n");
  Run();
  // The program ends with the fatal stop (the test's handler throws instead of ending,
  // which the thread then reports as well).
  ASSERT_FALSE(endedWith_.empty());
  EXPECT_EQ(endedWith_.front(), platform::kExitFatalStop);
  EXPECT_EQ(HostRead("C:\\Games\\Demo\\data.ztp"), before);
}

// A fatal stop of a game-package update (a package guarded by another password, the
// missing-package box cancelled) undoes the run before the program ends with the
// stop's status: the game's files, package and registry values are as they were.
TEST_F(GameDataCommandsTest, AFatalStopOfAnUpdateUndoesTheRunFirst) {
  struct Case {
    const char* name;
    const char* package;  // the ztpupdate line's package
    int status;
    const char* firstLine;
  } cases[] = {
      {"another password", "data.ztp", platform::kExitFatalStop, "Error Incorrect Password\rFile: data.ztp"},
      {"the missing package's box cancelled", "missing.ztp", platform::kExitCancelled,
       "The installation was cancelled."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    fs::create_directories(Host("C:\\Games\\Demo"));
    MakePackage("C:\\Games\\Demo\\data.ztp");
    WriteSource("ztp/a.txt", "first");
    Pack("name Demo\nztpupdate ztp\\ right data.ztp\n");
    Run();
    ASSERT_TRUE(endedWith_.empty());
    const std::string package = HostRead("C:\\Games\\Demo\\data.ztp");
    HostWrite("C:\\Games\\Demo\\game.dat", "the game's own");
    ASSERT_TRUE(platform::RegistryKey::Open(platform::RegistryRoot::CurrentUser, "Software\\Game", true)
                    ->WriteString("Language", "English"));
    asked_.clear();
    UninstallList().Clear();
    WriteSource("files/game.dat", "replaced");
    WriteSource("files/new.txt", "new");
    WriteSource("ztp2/b.txt", "second");
    Pack(std::string("name Two\nprefix Two\nuninstallpages uninstall\n"
                     "writeregstr HKCU Software\\Game Language Czech\nfile files\\\n"
                     "ztpupdate ztp2\\ wrong ") +
         c.package + "\n");
    Run();
    ASSERT_FALSE(endedWith_.empty());
    EXPECT_EQ(endedWith_.front(), c.status);
    ASSERT_FALSE(asked_.empty());
    EXPECT_EQ(asked_.back().text.rfind(c.firstLine, 0), 0u) << asked_.back().text;
    EXPECT_NE(asked_.back().text.find("the game was left as it was"), std::string::npos)
        << asked_.back().text;
    EXPECT_TRUE(HostRead("C:\\Games\\Demo\\data.ztp") == package);
    EXPECT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "the game's own");
    EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\new.txt"));
    EXPECT_EQ(RegValue(platform::RegistryRoot::CurrentUser, "Software\\Game", "Language"), "English");
    EXPECT_FALSE(HostDirExists("C:\\Games\\Demo\\Two_backup"));
    EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\Two_run.journal"));
    EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\Two_install.log"));
  }
}

// Bytes that do not get smaller when compressed.
std::string Incompressible(size_t size) {
  std::string bytes(size, '\0');
  uint32_t state = 12345;
  for (char& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 24);
  }
  return bytes;
}

// A full archive or a file that is no archive is the player's to act on: the run
// ends as failed (exit status 1), undone, with the message and no error report.
TEST_F(GameDataCommandsTest, AFullArchiveOrAFileThatIsNoArchiveEndsAsAFailedRun) {
  struct Case {
    const char* name;
    std::string content;  // the archive's source file
    bool noArchive;       // the archive file is plain text
    const char* problem;
  } cases[] = {
      {"no free block", Incompressible(201 * 512), false, "no free block left for 'big.bin'"},
      {"no archive", "small", true, "file is shorter than its block and root tables"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    fs::create_directories(Host("C:\\Games\\Demo"));
    if (c.noArchive) HostWrite("C:\\Games\\Demo\\sounds.vfs", std::string(300, 'x'));
    else MakeArchive("C:\\Games\\Demo\\sounds.vfs");
    const std::string archive = HostRead("C:\\Games\\Demo\\sounds.vfs");
    WriteSource("sounds/big.bin", c.content);
    WriteSource("files/new.txt", "new");
    Pack("name Demo\nprefix Demo\nfile files\\\nvfsupdate sounds\\ sounds.vfs\n");
    Run();
    EXPECT_TRUE(AbortRequested);
    EXPECT_TRUE(reported_.empty()) << reported_.front().first;
    EXPECT_TRUE(endedWith_.empty());
    ASSERT_FALSE(asked_.empty());
    EXPECT_NE(asked_.back().text.find(c.problem), std::string::npos) << asked_.back().text;
    EXPECT_NE(asked_.back().text.find("the game was left as it was"), std::string::npos)
        << asked_.back().text;
    EXPECT_TRUE(HostRead("C:\\Games\\Demo\\sounds.vfs") == archive);
    EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\new.txt"));
  }
}

}  // namespace
}  // namespace engine_test
