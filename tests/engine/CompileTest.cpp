// The packaging steps of the commands, run as the packaging tool runs them: script
// text -> lines -> CompileAll over the registered command list.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "CompileFixture.h"
#include "platform/Files.h"
#include "script/SE_KeyDigits.h"
#include "script/ZTI_CompilerThread.h"
#include "script/ZTI_FixedKeys.h"
#include "script/ZTI_ScriptText.h"

namespace engine_test {
namespace {

using testing_support::TempPrefix;

TEST_F(CompileTest, JumpTargetsBecomeLineIndices) {
  ASSERT_TRUE(
      Compile("start:\n"                         // 0
              "goto dup\n"                       // 1  first "dup" wins
              "dup:\n"                           // 2
              "iffileexists x.txt dup DUP\n"     // 3  last "dup" wins, names ignore case
              "messagebox text caption dup 0\n"  // 4  "0" means no jump
              "Dup:\n"                           // 5
              "goto 7\n"                         // 6  a number that names no label stays
              "goto 0\n"                         // 7  for goto "0" is line 0
              "iffileexists x.txt 0 0\n"         // 8
              "messagebox a b 0 START\n"         // 9
              "7:\n"                             // 10
              "iffileexists y.txt 7 3\n"));      // 11 a label named "7" is found by name
  const std::vector<std::pair<int, std::vector<std::string>>> expected = {
      {1, {"2"}}, {3, {"x.txt", "5", "5"}},   {4, {"text", "caption", "5", "-1"}}, {6, {"10"}},
      {7, {"0"}}, {8, {"x.txt", "-1", "-1"}}, {9, {"a", "b", "-1", "0"}},          {11, {"y.txt", "10", "3"}},
  };
  for (const auto& [line, params] : expected) EXPECT_EQ(Params(line), params) << "line " << line;
  EXPECT_EQ(compiler_.ErrorText, "");
}

// goto names the first label of its name, and only that: a later label whose name is
// that label's index ("1:") does not take the jump over.
TEST_F(CompileTest, GotoResolvesItsOwnLabelNotALabelNamedByTheIndex) {
  ASSERT_TRUE(
      Compile("goto a\n"  // 0
              "a:\n"      // 1
              "1:\n"      // 2
              "a:\n"));   // 3
  EXPECT_EQ(Params(0), (std::vector<std::string>{"1"}));
}

TEST_F(CompileTest, UnknownLabelStopsWithTheReferringLine) {
  struct Case {
    std::string script;
    std::string error;
    int line;
  } cases[] = {
      {"a:\n\ngoto nowhere\n", "Label not found - nowhere", 2},
      {"a:\niffileexists x a Missing\n", "Label not found - Missing", 1},
      {"messagebox t c gone a\na:\n", "Label not found - gone", 0},
      {"name x\nmessagebox t c 0 -x\n", "Label not found - -x", 1},
  };
  for (const auto& c : cases) {
    TCompiler compiler;
    ASSERT_FALSE(ParseScriptText(c.script, compiler.Lines));
    EXPECT_FALSE(compiler.CompileAll(commands_)) << c.script;
    EXPECT_EQ(compiler.ErrorText, c.error);
    EXPECT_EQ(compiler.ErrorLine, c.line);
  }
}

// The install log's registry entry line has no escape for a double quote: a line
// that would need one is refused with its script line; blanks are fine.
TEST_F(CompileTest, RegistryValuesTheInstallLogCannotRecordAreRefusedWithTheirLine) {
  struct Case {
    std::string script;
    std::string field;  // named in the refusal; empty: packed
    int line;
  } cases[] = {
      {"name x\nwriteregstr HKCU Software\\Demo Ver\"sion\" 2\n", "value name Ver\"sion\"", 1},
      {"writeregstr HKCU Soft\"ware 1 2\n", "key Soft\"ware", 0},
      {"\n\nwriteregstr HKCU Software Version 2\"\n", "data 2\"", 2},
      {"writeregstr_url de\"mo icon.ico prog.exe\n", "key de\"mo", 0},
      {"writeregstr HKCU \"Software\\Demo Game\" \"Name With Blanks\" \"a b\"\n", "", -1},
      {"writeregstr_url demo icon.ico prog.exe \"%1\"\n", "", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    TCompiler compiler;
    ASSERT_FALSE(ParseScriptText(c.script, compiler.Lines));
    EXPECT_EQ(compiler.CompileAll(commands_), c.field.empty());
    EXPECT_EQ(compiler.ErrorLine, c.line);
    if (!c.field.empty()) {
      EXPECT_NE(compiler.ErrorText.find("the " + c.field + " holds a double quote"), std::string::npos)
          << compiler.ErrorText;
    }
  }
}

TEST_F(CompileTest, IdentityCommandsFillTheSetupInformationAndLeaveEmptyLines) {
  ASSERT_TRUE(
      Compile("name \"Demo Add-on 1.2\"\n"
              "outfile DemoSetup.exe\n"
              "installdir $PROGRAMFILES\\Demo\\\n"
              "installdirregkey hkcu Software\\Maker\\Demo\\ Path\n"
              "changelog \"Fixed things\"\n"
              "pages std\n"
              "uninstallpages uninst\n"
              "prefix Demo\n"
              "message <LANG22>\n"));
  const TSetupInfo& info = compiler_.Info.Info;
  EXPECT_EQ(info.SetupName, "Demo Add-on 1.2");
  EXPECT_EQ(info.ShortName, "Demo Add-on 1.2");  // name sets both without a shortname
  EXPECT_EQ(info.SetupExeName, "DemoSetup.exe");
  EXPECT_EQ(info.InstallDir, "$PROGRAMFILES\\Demo\\");
  EXPECT_EQ(info.InstallDirRegKey.HKEY, 1);
  EXPECT_EQ(info.InstallDirRegKey.Path, "Software\\Maker\\Demo\\");
  EXPECT_EQ(info.InstallDirRegKey.Key, "Path");
  EXPECT_EQ(info.Changelog, "Fixed things");
  EXPECT_EQ(info.Pages, "std");
  EXPECT_EQ(info.UninstallPages, "uninst");
  EXPECT_EQ(info.MakeUninstaller, 1);
  EXPECT_EQ(info.UninstallPrefix, "Demo_");
  EXPECT_EQ(info.UninstallExeName, "Demo_Uninstall.exe");
  EXPECT_EQ(info.Uninstall, 0);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(compiler_.Lines.Lines[i].Command, -1) << i;
    EXPECT_EQ(compiler_.Lines.Lines[i].LineNo, -1) << i;
  }
  EXPECT_EQ(compiler_.Lines.Lines[8].Command, CommandNumberOf("message"));
  EXPECT_EQ(compiler_.Lines.Lines[8].LineNo, 8);
}

TEST_F(CompileTest, ShortNameOverridesAndUnknownRootIsLocalMachine) {
  ASSERT_TRUE(Compile("name Long\nshortname Short\ninstalldirregkey HKEY_CURRENT_USER k v\n"));
  EXPECT_EQ(compiler_.Info.Info.SetupName, "Long");
  EXPECT_EQ(compiler_.Info.Info.ShortName, "Short");
  EXPECT_EQ(compiler_.Info.Info.InstallDirRegKey.HKEY, 0);
}

TEST_F(CompileTest, GroupsOfEveryKindAndUpdatesThatShareATarget) {
  WriteHostFile(base_.Path() / "upd1" / "x.dat", "first");
  WriteHostFile(base_.Path() / "upd1" / "y.dat");
  WriteHostFile(base_.Path() / "files" / "a.txt");
  WriteHostFile(base_.Path() / "files" / "sub" / "b.txt");
  WriteHostFile(base_.Path() / "vfs1" / "maps" / "m.dat");
  WriteHostFile(base_.Path() / "single.txt");
  WriteHostFile(base_.Path() / "upd2" / "X.DAT", "second");
  WriteHostFile(base_.Path() / "upd2" / "z.dat");

  ASSERT_TRUE(
      Compile("ztpupdate upd1\\ secret Data\\Game.ztp\n"  // 0 group 1 (update)
              "file files\\\n"                            // 1 group 2 (files)
              "vfsupdate vfs1 data.vfs 0\n"               // 2 group 3 (update), no trailing "\"
              "file single.txt sub\n"                     // 3 group 4
              "ztpupdate upd2 pw data\\game.ZTP\n"        // 4 group 5, shares group 1
              "ztpofficial data\\game.ztp word t\n"       // 5 no group
              "file nothing-here.txt\n"));                // 6 group 6, empty

  EXPECT_EQ(Params(0), (std::vector<std::string>{"upd1\\", AddKeyDigits(kScriptParameterKey, "secret"),
                                                 "Data\\Game.ztp", "1"}));
  EXPECT_NE(Params(0)[1], "secret");
  EXPECT_EQ(Params(1), (std::vector<std::string>{"files\\", "2"}));
  EXPECT_EQ(Params(2), (std::vector<std::string>{"vfs1", "data.vfs", "0", "3"}));
  EXPECT_EQ(Params(3), (std::vector<std::string>{"single.txt", "sub", "4"}));
  EXPECT_EQ(Params(4)[1], AddKeyDigits(kScriptParameterKey, "pw"));
  EXPECT_EQ(Params(4).back(), "5");
  EXPECT_EQ(Params(5),
            (std::vector<std::string>{"data\\game.ztp", AddKeyDigits(kScriptParameterKey, "word"), "t"}));
  EXPECT_EQ(Params(6).back(), "6");

  const TCompilerFileList& list = compiler_.FileList;
  EXPECT_EQ(list.GroupCounter, 6);
  ASSERT_EQ(list.Groups.size(), 7u);
  EXPECT_EQ(list.Groups[1].Name, "data\\game.ztp");
  EXPECT_EQ(list.Groups[3].Name, "data.vfs");
  EXPECT_EQ(list.Groups[2].Name, "");
  // The second update of the same package replaced x.dat (source and spelling) and
  // appended z.dat to the first group; its own group stays empty.
  EXPECT_EQ(EntryNames(1), (std::vector<std::string>{"X.DAT", "y.dat", "z.dat"}));
  EXPECT_EQ(list.Groups[1].Files[0].Source, Win(base_.Path() / "upd2" / "X.DAT"));
  EXPECT_EQ(notices_, (std::vector<std::string>{"Replacing Previous Instance of X.DAT"}));
  EXPECT_EQ(EntryNames(2), (std::vector<std::string>{"a.txt", "sub\\b.txt"}));
  EXPECT_EQ(EntryNames(3), (std::vector<std::string>{"maps\\m.dat"}));
  EXPECT_EQ(EntryNames(4), (std::vector<std::string>{"single.txt"}));
  EXPECT_TRUE(list.Groups[5].Files.empty());
  EXPECT_TRUE(list.Groups[6].Files.empty());
  EXPECT_EQ(list.FileCount, 7);
}

TEST_F(CompileTest, LanguageTablesEnterGroupZeroAndMissingOnesWarn) {
  WriteHostFile(data_.Path() / "languages" / "install" / "english.wri");
  WriteHostFile(data_.Path() / "languages" / "uninstall" / "english.wri");
  ASSERT_TRUE(
      Compile("language install\\english\n"
              "uninstalllanguage uninstall\\english\n"
              "language install\\klingon\n"));
  EXPECT_EQ(EntryNames(0),
            (std::vector<std::string>{"LANGUAGE-install\\english", "UNINSTALL_LANGUAGE-uninstall\\english"}));
  EXPECT_EQ(compiler_.FileList.Groups[0].Files[0].Source,
            Win(data_.Path() / "languages" / "install" / "english.wri"));
  ASSERT_EQ(warnings_.size(), 1u);
  EXPECT_NE(warnings_[0].find("Language table not found - "), std::string::npos);
  EXPECT_NE(warnings_[0].find("klingon.wri"), std::string::npos);
  // language lines stay runnable lines (their run step does nothing)
  EXPECT_EQ(compiler_.Lines.Lines[0].Command, CommandNumberOf("language"));
}

TEST_F(CompileTest, DirectoryWalkLeavesOutThePageIconAndJoinsTheBase) {
  const fs::path pages = data_.Path() / "layout" / "std";
  WriteHostFile(pages / "Pages.txt");
  WriteHostFile(pages / "icon.ico");
  WriteHostFile(pages / "pics" / "icon.ico");  // only the folder's own icon is skipped
  const fs::path absolute = data_.Path() / "abs" / "f.txt";
  WriteHostFile(absolute);
  ASSERT_TRUE(Compile("pages std\nfile " + Win(pages) + "\nfile " + Win(absolute) + "\n"));
  EXPECT_EQ(EntryNames(1), (std::vector<std::string>{"Pages.txt", "pics\\icon.ico"}));
  EXPECT_EQ(EntryNames(2), (std::vector<std::string>{"f.txt"}));
}

// A folder link is walked like a folder, unless it leads back to the folder being
// walked or one above it: that would enter the same files again at every level.
TEST(CompilerFileList, EnsureGroupKeepsExistingNamesAndEnterFileSkipsMissing) {
  TempPrefix prefix;
  TCompiler compiler;
  std::vector<std::string> progress;
  compiler.OnProgress = [&](const std::string& text) { progress.push_back(text); };
  TCompilerFileList& list = compiler.FileList;
  list.EnsureGroup(3, "Game.ZTP");
  list.EnsureGroup(3, "other");
  ASSERT_EQ(list.Groups.size(), 4u);
  EXPECT_EQ(list.Groups[3].Name, "game.ztp");
  EXPECT_EQ(list.Groups[2].Name, "");
  list.EnterFile("C:\\no\\such\\file.txt", "file.txt", "", 3);
  EXPECT_TRUE(list.Groups[3].Files.empty());
  EXPECT_TRUE(progress.empty());
  list.Reset();
  EXPECT_EQ(list.Groups.size(), 1u);
  EXPECT_EQ(list.GroupCounter, 0);
  EXPECT_EQ(IncludeTrailingBackslash(""), "");
  EXPECT_EQ(IncludeTrailingBackslash("a/"), "a/");
  EXPECT_EQ(IncludeTrailingBackslash("a"), "a\\");
}

}  // namespace
}  // namespace engine_test
