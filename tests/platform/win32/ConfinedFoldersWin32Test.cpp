// Changes below a confined folder go through handles of the names themselves, with the
// way to them held: they do what the path-based changes do, and a junction or link on
// the way (where the system lets the test make one) is refused.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "platform/CodePage.h"
#include "platform/ConfinedFolders.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/win32/WinText.h"
#include "support/TestMachine.h"

namespace platform {
namespace {

using testing_support::TestMachine;

std::string Text(const std::string& path) {
  const auto bytes = ReadWholeFile(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<unreadable>");
}

bool Put(const std::string& path, const std::string& text) {
  return WriteFileBytes(path, text.data(), text.size());
}

struct ChangeRow {
  const char* what;
  std::function<bool(const std::string& game)> change;
  std::function<bool(const std::string& game)> done;
};

TEST(ConfinedFoldersWin32, ChangesBelowAConfinedFolderActThroughHandles) {
  const ChangeRow rows[] = {
      {"delete", [](const std::string& g) { return DeleteFileAt(g + "\\Sub\\a.dat"); },
       [](const std::string& g) { return !PathExists(g + "\\Sub\\a.dat"); }},
      {"rename", [](const std::string& g) { return RenameFile(g + "\\Sub\\a.dat", g + "\\b.dat"); },
       [](const std::string& g) { return Text(g + "\\b.dat") == "a" && !PathExists(g + "\\Sub\\a.dat"); }},
      {"rename the letter case",
       [](const std::string& g) { return RenameFile(g + "\\Sub\\a.dat", g + "\\Sub\\A.dat"); },
       [](const std::string& g) { return Text(g + "\\Sub\\A.dat") == "a"; }},
      {"replace", [](const std::string& g) { return ReplaceFileWith(g + "\\Sub\\a.dat", g + "\\kept.dat"); },
       [](const std::string& g) { return Text(g + "\\kept.dat") == "a"; }},
      {"make a folder", [](const std::string& g) { return MakeDirectory(g + "\\Sub\\New"); },
       [](const std::string& g) { return DirectoryExists(g + "\\Sub\\New"); }},
      {"remove an empty folder",
       [](const std::string& g) { return RemoveEmptyDirectory(g + "\\Sub\\Empty"); },
       [](const std::string& g) { return !PathExists(g + "\\Sub\\Empty"); }},
      {"remove a tree", [](const std::string& g) { return RemoveTree(g + "\\Sub"); },
       [](const std::string& g) { return !PathExists(g + "\\Sub") && Text(g + "\\kept.dat") == "kept"; }},
  };
  for (const ChangeRow& row : rows) {
    SCOPED_TRACE(row.what);
    TestMachine machine;
    const std::string game = machine.Path("C:\\Game");
    ASSERT_TRUE(MakeDirectory(game));
    ASSERT_TRUE(MakeDirectory(game + "\\Sub"));
    ASSERT_TRUE(MakeDirectory(game + "\\Sub\\Empty"));
    ASSERT_TRUE(Put(game + "\\Sub\\a.dat", "a"));
    ASSERT_TRUE(Put(game + "\\kept.dat", "kept"));
    const ConfinedFolder confined(game);
    EXPECT_TRUE(row.change(game)) << LastErrorText();
    EXPECT_TRUE(row.done(game));
  }
}

TEST(ConfinedFoldersWin32, RefusalsStayAsThePathBasedChangesGiveThem) {
  TestMachine machine;
  const std::string game = machine.Path("C:\\Game");
  ASSERT_TRUE(MakeDirectory(game));
  ASSERT_TRUE(MakeDirectory(game + "\\Sub"));
  ASSERT_TRUE(Put(game + "\\Sub\\a.dat", "a"));
  ASSERT_TRUE(Put(game + "\\b.dat", "b"));
  ASSERT_TRUE(Put(game + "\\ro.dat", "ro"));
  ASSERT_TRUE(SetReadOnly(game + "\\ro.dat", true));
  const ConfinedFolder confined(game);
  EXPECT_FALSE(DeleteFileAt(game + "\\Sub"));  // a folder is not a file
  EXPECT_FALSE(DeleteFileAt(game + "\\ro.dat"));
  EXPECT_FALSE(DeleteFileAt(game + "\\missing.dat"));
  EXPECT_FALSE(RenameFile(game + "\\Sub\\a.dat", game + "\\b.dat"));  // never over a file
  EXPECT_FALSE(ReplaceFileWith(game + "\\b.dat", game + "\\ro.dat"));
  EXPECT_FALSE(RemoveEmptyDirectory(game + "\\Sub"));  // not empty
  EXPECT_FALSE(MakeDirectory(game + "\\Sub"));
  EXPECT_EQ(Text(game + "\\Sub\\a.dat"), "a");
  EXPECT_EQ(Text(game + "\\b.dat"), "b");
  EXPECT_EQ(Text(game + "\\ro.dat"), "ro");
  SetReadOnly(game + "\\ro.dat", false);
}

// A folder link planted in the game folder, where the system lets the test make one.
TEST(ConfinedFoldersWin32, AChangeThroughALinkedFolderIsRefusedNamingTheLink) {
  TestMachine machine;
  const std::string game = machine.Path("C:\\Game"), outside = machine.Path("C:\\Outside");
  ASSERT_TRUE(MakeDirectory(game));
  ASSERT_TRUE(MakeDirectory(outside));
  ASSERT_TRUE(Put(outside + "\\victim.dll", "system"));
  const DWORD flags = SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2;  // unprivileged create (developer mode)
  if (!CreateSymbolicLinkW(win32::Wide(game + "\\data").c_str(), win32::Wide(outside).c_str(), flags) ||
      !DirectoryExists(game + "\\data"))
    GTEST_SKIP() << "this system makes no folder links for us";
  const ConfinedFolder confined(game);
  EXPECT_FALSE(DeleteFileAt(game + "\\data\\victim.dll"));
  EXPECT_NE(AsciiLower(LastErrorText()).find("is a link"), std::string::npos) << LastErrorText();
  EXPECT_FALSE(RenameFile(game + "\\data\\victim.dll", game + "\\taken.dll"));
  EXPECT_FALSE(MakeDirectory(game + "\\data\\made"));
  EXPECT_TRUE(RemoveTree(game));
  EXPECT_EQ(Text(outside + "\\victim.dll"), "system");
}

}  // namespace
}  // namespace platform
