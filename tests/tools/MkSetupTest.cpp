// mksetup as an author runs it: a script and its files in a folder, the standard data
// of the source tree, the package read back entry by entry.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <fstream>
#include <iterator>
#include <optional>

#include "package/ZTI_PakFile.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "script/SE_KeyDigits.h"
#include "script/ZTI_CompLines.h"
#include "script/ZTI_FixedKeys.h"
#include "script/ZTI_SetupInfo.h"
#include "support/HostFiles.h"
#include "support/RunProgram.h"
#include "support/TestMachine.h"

namespace {

using testing_support::ReadHostFile;

namespace fs = std::filesystem;
using testing_support::TempDir;
using testing_support::TempPrefix;

// A built program's file (with ".exe" on Windows).
fs::path Program(const std::string& name) { return testing_support::ProgramPath(name); }

void WriteHost(const fs::path& path, const std::string& content) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

// The last line of a tool's output, without its line end.
std::string LastLine(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  const size_t cut = text.rfind('\n');
  return cut == std::string::npos ? text : text.substr(cut + 1);
}

using ToolRun = testing_support::ProgramResult;

class MkSetupTest : public ::testing::Test {
 protected:
  ToolRun Tool(const fs::path& program, const std::vector<std::string>& args) {
    return testing_support::RunProgramAt(program.string(), args);
  }
  ToolRun MkSetup(const std::vector<std::string>& args) { return Tool(Program("mksetup"), args); }

  // Writes the script into the work folder and packs it alone, with the source tree's
  // standard data.
  ToolRun Pack(const std::string& script, std::vector<std::string> extra = {}) {
    WriteHost(Work() / "setup.txt", script);
    std::vector<std::string> args = {
        (Work() / "setup.txt").string(), "--package-only", "-o", Output().string(), "--data", kData};
    args.insert(args.end(), extra.begin(), extra.end());
    return MkSetup(args);
  }

  fs::path Work() { return dir_.Path() / "work"; }
  fs::path Output() { return dir_.Path() / "out.pkg"; }
  std::string ScriptName() { return (Work() / "setup.txt").string(); }

  const std::string kData = std::string(SE_SOURCE_DIR) + "/data";
  TempPrefix prefix_;
  TempDir dir_;
};

struct Entry {
  std::string name;
  uint16_t group;
};

TEST_F(MkSetupTest, ScriptToPackageAndBack) {
  WriteHost(Work() / "files" / "readme.txt", "read me");
  WriteHost(Work() / "files" / "maps" / "a.map", std::string(5000, 'a'));
  WriteHost(Work() / "upd" / "x.dat", "update data");
  WriteHost(Work() / "upd2" / "x.dat", "newer update data");
  WriteHost(Work() / "single.cfg", "cfg");
  const ToolRun run = Pack(
      "; a demo-sized script\n"
      "name \"Test Add-on 1.0\"\r\n"
      "outfile TestSetup.exe\n"
      "prefix Test\n"
      "installdir $PROGRAMFILES\\Test\\\n"
      "installdirregkey HKLM Software\\Maker\\Game Path\n"
      "pages standard\n"
      "uninstallpages uninstall\n"
      "language install\\english\n"
      "uninstalllanguage uninstall\\english\n"
      "start:\n"
      "file files\\\n"
      "ztpupdate upd secret game.ztp\n"
      "file single.cfg Config\n"
      "ztpupdate upd2 other GAME.ZTP\n"
      "vfsupdate upd data.vfs\n"
      "messagebox \"Again?\" Test start 0\n");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("Adding To List readme.txt Current Count: "), std::string::npos);
  EXPECT_NE(run.err.find("Replacing Previous Instance of x.dat"), std::string::npos);

  TPak pak;
  pak.Create(platform::WindowsPathOf(Output().string()), false, false);
  ASSERT_TRUE(pak.Header().IsPackage());
  EXPECT_EQ(pak.Header().PakStart, 0u);
  std::vector<Entry> got;
  for (const TPakFile& file : pak.Entries()) got.push_back({file.Name, file.Group});
  const std::vector<Entry> expected = {
      {"LANGUAGE-install\\english", 0},
      {"UNINSTALL_LANGUAGE-uninstall\\english", 0},
      {"layout.txt", 0},
      {"layout3.txt", 0},
      {"layout4.txt", 0},
      {"layout5.txt", 0},
      {"mainlayout.txt", 0},
      {"Pages.txt", 0},
      {"Side.jpg", 0},
      {"UNINSTALL_ICON.ICO", 0},
      {"UNINSTALL_layout.txt", 0},
      {"UNINSTALL_layout3.txt", 0},
      {"UNINSTALL_layout4.txt", 0},
      {"UNINSTALL_layout5.txt", 0},
      {"UNINSTALL_mainlayout.txt", 0},
      {"UNINSTALL_Pages.txt", 0},
      {"UNINSTALL_Side.jpg", 0},
  };
  ASSERT_GE(got.size(), expected.size());
  size_t at = 0;
  for (const Entry& want : expected) {
    // the finaliser sits after the uninstall pages when the build has made it
    if (got[at].name == "UNINSTALL_FINALISE.EXE") ++at;
    EXPECT_EQ(got[at].name, want.name) << at;
    EXPECT_EQ(got[at].group, want.group) << at;
    ++at;
  }
  if (got[at].name == "UNINSTALL_FINALISE.EXE") ++at;
  const std::vector<Entry> rest = {{"SetupInfo", 0},   {"CompiledLines", 0}, {"readme.txt", 1},
                                   {"maps\\a.map", 1}, {"x.dat", 2},         {"single.cfg", 3},
                                   {"x.dat", 5}};
  ASSERT_EQ(got.size() - at, rest.size());
  for (const Entry& want : rest) {
    EXPECT_EQ(got[at].name, want.name) << at;
    EXPECT_EQ(got[at].group, want.group) << at;
    ++at;
  }
  uint64_t bytesIn = 0, bytesStored = 0;
  for (const TPakFile& file : pak.Entries()) {
    bytesIn += file.OrigSize;
    bytesStored += file.StoredLength();
  }
  EXPECT_EQ(run.out, Output().string() + ": " + std::to_string(pak.Count()) + " entries, 5 groups, " +
                         std::to_string(bytesIn) + " bytes in, " + std::to_string(bytesStored) +
                         " bytes stored\n");
  const std::string newer = "newer update data";
  EXPECT_EQ(pak.FindEntry("x.dat", 2).Data, Bytes(newer.begin(), newer.end()));
  EXPECT_EQ(pak.FindEntry("maps\\a.map", 1).Size, 5000u);

  TSetupInfoFile info;
  const TFoundEntry infoEntry = pak.FindEntry("SetupInfo", 0);
  ASSERT_TRUE(infoEntry.Data);
  info.LoadFromBuffer(infoEntry.Data->data(), infoEntry.Data->size());
  EXPECT_EQ(info.Info.SetupName, "Test Add-on 1.0");
  EXPECT_EQ(info.Info.SetupExeName, "TestSetup.exe");
  EXPECT_EQ(info.Info.UninstallExeName, "Test_Uninstall.exe");
  EXPECT_EQ(info.Info.InstallDirRegKey.Path, "Software\\Maker\\Game");
  EXPECT_EQ(info.Info.Pages, "standard");
  EXPECT_EQ(info.Info.MakeUninstaller, 1);

  TCompLines lines;
  const TFoundEntry linesEntry = pak.FindEntry("CompiledLines", 0);
  ASSERT_TRUE(linesEntry.Data);
  ASSERT_TRUE(lines.LoadFromBuffer(linesEntry.Data->data(), linesEntry.Data->size()));
  ASSERT_EQ(lines.Count(), 17);
  EXPECT_EQ(lines.Lines[1].Command, -1);  // name
  EXPECT_EQ(lines.Lines[10].Command, 0);  // start:
  EXPECT_EQ(lines.Lines[11].Params, (std::vector<std::string>{"files\\", "1"}));
  EXPECT_EQ(lines.Lines[12].Params[1], AddKeyDigits(kScriptParameterKey, "secret"));
  EXPECT_EQ(lines.Lines[15].Params, (std::vector<std::string>{"upd", "data.vfs", "5"}));
  EXPECT_EQ(lines.Lines[16].Params, (std::vector<std::string>{"Again?", "Test", "10", "-1"}));
  EXPECT_EQ(lines.Lines[16].LineNo, 16);

  // setuptool lists the same entries and setup information
  const ToolRun list = Tool(Program("setuptool"), {"pak", "list", Output().string()});
  ASSERT_EQ(list.status, 0) << list.err;
  size_t row = 0;
  for (size_t start = 0; start < list.out.size(); ++row) {
    const size_t end = list.out.find('\n', start);
    const std::string line = list.out.substr(start, end - start);
    ASSERT_LT(row, pak.Count());
    EXPECT_EQ(line.substr(0, line.find('\t', line.find('\t') + 1)),
              std::to_string(row) + "\t" + pak.Entries()[row].Name);
    start = end + 1;
  }
  EXPECT_EQ(row, pak.Count());
  const ToolRun shownInfo = Tool(Program("setuptool"), {"info", Output().string()});
  ASSERT_EQ(shownInfo.status, 0) << shownInfo.err;
  EXPECT_NE(shownInfo.out.find("SetupName: Test Add-on 1.0"), std::string::npos);

  // setuptool reads the same lines back
  const ToolRun show = Tool(Program("setuptool"), {"script", "show", Output().string()});
  ASSERT_EQ(show.status, 0) << show.err;
  std::vector<std::string> rows;
  for (size_t start = 0; start < show.out.size();) {
    const size_t end = show.out.find('\n', start);
    rows.push_back(show.out.substr(start, end - start));
    start = end + 1;
  }
  ASSERT_EQ(rows.size(), 17u);
  EXPECT_EQ(rows[0], "0\t-1\t-\t-1");
  EXPECT_EQ(rows[1], "1\t-1\t-\t-1\tTest Add-on 1.0");
  EXPECT_EQ(rows[10], "10\t0\tlabel\t10\tstart");
  EXPECT_EQ(rows[11], "11\t7\tfile\t11\tfiles\\\t1");
  EXPECT_EQ(rows[13], "13\t7\tfile\t13\tsingle.cfg\tConfig\t3");
  EXPECT_EQ(rows[16], "16\t16\tmessagebox\t16\tAgain?\tTest\t10\t-1");
  EXPECT_EQ(rows[12].substr(0, 23), "12\t11\tztpupdate\t12\tupd\t");
}

TEST_F(MkSetupTest, AppendsToTheStubAndMarksTheResultExecutable) {
  WriteHost(Work() / "a.txt", "a");
  WriteHost(dir_.Path() / "stub", std::string(1000, 'S'));
  WriteHost(Work() / "setup.txt", "outfile Named.exe\nfile a.txt\n");
  const ToolRun run = MkSetup({ScriptName(), "--stub", (dir_.Path() / "stub").string(), "--data", kData});
  ASSERT_EQ(run.status, 0) << run.err;
  const fs::path output = Work() / "Named.exe";  // the outfile name, beside the script
  EXPECT_EQ(ReadHostFile(output).substr(0, 1000), std::string(1000, 'S'));
  EXPECT_NE(fs::status(output).permissions() & fs::perms::owner_exec, fs::perms::none);
  EXPECT_NE(run.err.find("warning: no pages line"), std::string::npos);
  TPak pak;
  pak.Create(platform::WindowsPathOf(output.string()), false, false);
  EXPECT_EQ(pak.Header().PakStart, 1000u);
  ASSERT_EQ(pak.Count(), 3u);
  EXPECT_EQ(pak.Entries()[0].Offset, 1000u);
  EXPECT_EQ(pak.Entries()[2].Name, "a.txt");
  EXPECT_FALSE(fs::exists(Work() / "Named.exe.part"));
}

TEST_F(MkSetupTest, FaultsNameTheFileAndLineAndWriteNothing) {
  WriteHost(Work() / "here.txt", "x");
  // A large entry (stored without a CRC) in an update group, as a sparse file.
  WriteHost(Work() / "big" / "big.bin", "");
  fs::resize_file(Work() / "big" / "big.bin", kLargeEntrySize);
  WriteHost(Work() / "big" / "small.txt", "s");
  struct Case {
    std::string script;
    std::string message;  // after "mksetup: SCRIPT"
  } cases[] = {
      {"name x\nfrobnicate\n", ":2: unknown command \"frobnicate\""},
      {"writeregstr HKLM key value\n", ":1: \"writeregstr\" needs at least 4 parameters, found 3"},
      {"a:\n\ngoto b\n", ":3: Label not found - b"},
      {"iffileexists x.txt 0 missing\n", ":1: Label not found - missing"},
      {"file here.txt\nfile gone.txt\n", ":2: source not found - gone.txt ("},
      {"ztpupdate nothing\\ pw game.ztp\n", ":1: source not found - nothing\\ ("},
      {"\n\nvfsupdate nothing data.vfs\n", ":3: source not found - nothing ("},
      {"message \"" + std::string(65536, 'x') + "\"\n", ":1: parameter 1 is longer than 65535 bytes"},
      {std::string(65536, '\n'), ":65536: too many lines (a script holds at most 65535)"},
      {"pages nosuchfolder\n", ":1: page folder not found - nosuchfolder ("},
      {"message \"unclosed\n", ":1: missing closing quote in parameter 1"},
      {"name x\nwriteregstr HKCU Software\\Demo Ver\"sion\" 2\n",
       ":2: Registry value not recordable - the value name Ver\"sion\" holds a double quote"},
      {"name x\n\nztpupdate big\\ pw game.ztp\n",
       ":3: update entry too large - big.bin has 73400320 bytes; an entry of a ztpupdate group must be "
       "smaller "
       "than 73400320 bytes (70 MiB)"},
      {"vfsupdate big data.vfs\n",
       ":1: update entry too large - big.bin has 73400320 bytes; an entry of a vfsupdate"},
  };
  for (const auto& c : cases) {
    WriteHost(Output(), "previous output");
    const ToolRun run = Pack(c.script);
    EXPECT_EQ(run.status, 1) << c.message;
    // The fault is the first line, or follows the progress lines of the sources read.
    const size_t fault = run.err.find("mksetup: " + ScriptName() + c.message);
    EXPECT_TRUE(fault == 0 || (fault != std::string::npos && run.err[fault - 1] == '\n'))
        << "expected: " << c.message << "\ngot: " << run.err.substr(0, 300);
    EXPECT_EQ(ReadHostFile(Output()), "previous output");
    EXPECT_FALSE(fs::exists(Output().string() + ".part"));
  }
}

// The package holds paths, names, keys and values in Windows-1252: a character it
// lacks is refused with its line instead of becoming "?"; comments may hold anything,
// and the accented letters of the code page pass.
TEST_F(MkSetupTest, TextOutsideTheCodePageIsRefusedWithItsLine) {
  WriteHost(Work() / "files" / "caf\xC3\xA9.txt", "x");  // "café.txt": in the code page
  const std::string bom = "\xEF\xBB\xBF";
  const struct {
    std::string script;
    std::string message;  // after "mksetup: SCRIPT"; empty when the script packs
  } cases[] = {
      {bom + "; \xD0\x9A\xD0\xB0\xD1\x80\xD1\x82\xD1\x8B in a comment\nfile files\\\n", ""},
      {bom + "writeregstr HKCU Software\\Caf\xC3\xA9 Name value\n", ""},
      {bom + "name x\nwriteregstr HKCU Software\\X \xD0\x9A\xD0\xBB\xD1\x8E\xD1\x87 value\n",
       ":2: character U+041A is outside the Windows-1252 code page"},
      {bom + "createdirectory $INSTDIR\\\xF0\x9F\x98\x80\n", ":1: character U+1F600 is outside"},
      {bom + "writeregstr HKCU k v \xFF\n", ":1: the line is not valid UTF-8 (U+FFFD)"},
  };
  for (const auto& c : cases) {
    fs::remove(Output());
    const ToolRun run = Pack(c.script);
    if (c.message.empty()) {
      EXPECT_EQ(run.status, 0) << c.script << run.err;
      continue;
    }
    EXPECT_EQ(run.status, 1) << c.message;
    EXPECT_EQ(run.err.rfind("mksetup: " + ScriptName() + c.message, 0), 0u) << run.err;
    EXPECT_FALSE(fs::exists(Output()));
  }
  // A file or folder whose name the code page lacks would be packed under a stand-in.
  WriteHost(Work() / "files" / "\xD0\x9A\xD0\xB0\xD1\x80\xD1\x82\xD1\x8B" / "a.map", "map");
  fs::remove(Output());
  const ToolRun folder = Pack("name x\nfile files\\\n");
  EXPECT_EQ(folder.status, 1);
  EXPECT_NE(folder.err.find("mksetup: " + ScriptName() + ":2: the name of \"" +
                            (Work() / "files" / "\xD0\x9A\xD0\xB0\xD1\x80\xD1\x82\xD1\x8B").string() +
                            "\" holds characters outside the Windows-1252 code page"),
            std::string::npos)
      << folder.err;
  EXPECT_FALSE(fs::exists(Output()));
}

TEST_F(MkSetupTest, CommandLineAndOutputFaults) {
  WriteHost(Work() / "setup.txt", "file a.txt\n");
  WriteHost(Work() / "a.txt", "a");
  const ToolRun noOutfile = MkSetup({ScriptName(), "--package-only", "--data", kData});
  EXPECT_EQ(noOutfile.status, 1);
  EXPECT_EQ(LastLine(noOutfile.err),
            "mksetup: " + ScriptName() + ": the script has no outfile line; name the output with -o");

  const ToolRun noStub = MkSetup(
      {ScriptName(), "-o", Output().string(), "--stub", (dir_.Path() / "nostub").string(), "--data", kData});
  EXPECT_EQ(noStub.status, 1);
  EXPECT_EQ(LastLine(noStub.err), "mksetup: " + (dir_.Path() / "nostub").string() + ": stub not found");
  EXPECT_FALSE(fs::exists(Output()));

  const ToolRun unreadable = MkSetup({(dir_.Path() / "none.txt").string()});
  EXPECT_EQ(unreadable.status, 1);
  // The system's own words for the missing file follow the tool's.
  EXPECT_FALSE(platform::ReadWholeFile(platform::WindowsPathOf((dir_.Path() / "none.txt").string())));
  const std::string reason = platform::LastErrorText();
  EXPECT_EQ(unreadable.err,
            "mksetup: " + (dir_.Path() / "none.txt").string() + ": cannot read the script: " + reason + "\n");

  struct Usage {
    std::vector<std::string> args;
    std::string first;
  } usages[] = {
      {{}, "mksetup: no script given\n"},
      {{"a", "b"}, "mksetup: more than one script given (a, b)\n"},
      {{"a", "--stub", "s", "--package-only"}, "mksetup: --stub and --package-only exclude each other\n"},
      {{"a", "-o"}, "mksetup: -o needs a value\n"},
      {{"a", "--fast"}, "mksetup: unknown option --fast\n"},
      {{"a", "--split", "4095"},
       "mksetup: --split needs a size of at least 4K (bytes, or a number with K, M or G), not 4095\n"},
      {{"a", "--split", "3k"}, "mksetup: --split needs a size of at least 4K"},
      {{"a", "--split", "2T"}, "mksetup: --split needs a size of at least 4K"},
      {{"a", "--split", "99999999999999999999"}, "mksetup: --split needs a size of at least 4K"},
      {{"a", "--split", "20000000000G"}, "mksetup: --split needs a size of at least 4K"},
      {{"a", "--split"}, "mksetup: --split needs a value\n"},
  };
  for (const auto& u : usages) {
    const ToolRun run = MkSetup(u.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.substr(0, u.first.size()), u.first);
    EXPECT_NE(run.err.find("usage: mksetup SCRIPT"), std::string::npos);
  }
}

// Page files saved with line feeds alone would be one line each to the setup: such a
// folder is refused, naming the file; CR LF files and other files of the folder pack.
TEST_F(MkSetupTest, PageFilesWithoutCarriageReturnsAreRefused) {
  struct Case {
    std::string pages, layout, memo;
    std::string refused;  // the page file named, empty when the folder packs
  } cases[] = {
      {"[Pages]\r\nlayout.txt\r\n", "[Label1]\r\nx=1\r\n", "a\nb\n", ""},
      {"[Pages]\nlayout.txt\n", "[Label1]\r\nx=1\r\n", "", "Pages.txt"},
      {"[Pages]\r\nlayout.txt\r\n", "[Label1]\nx=1\n", "", "layout.txt"},
      {"[Pages]\r\nlayout.txt\r\n", "[Label1]", "", ""},  // one line needs no line end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pages + c.layout);
    const fs::path data = dir_.Path() / "data";
    fs::remove_all(data);
    WriteHost(data / "layout" / "mine" / "Pages.txt", c.pages);
    WriteHost(data / "layout" / "mine" / "layout.txt", c.layout);
    WriteHost(data / "layout" / "mine" / "readme.txt", c.memo);
    WriteHost(Work() / "setup.txt", "outfile x.exe\npages mine\n");
    const ToolRun run =
        MkSetup({ScriptName(), "--package-only", "-o", Output().string(), "--data", data.string()});
    if (c.refused.empty()) {
      EXPECT_EQ(run.status, 0) << run.err;
      continue;
    }
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("mksetup: " + ScriptName() + ":2: page file " + c.refused +
                                " of mine has line feeds but no carriage returns",
                            0),
              0u)
        << run.err;
  }
}

// A copy of mksetup in a folder of its own finds neither the setup program, nor the
// finaliser, nor the data beside it.
// A page folder is walked through its folder links, but not through one that leads
// back into it, which would list the same pages again at every level.
TEST_F(MkSetupTest, PageFolderLinksBackIntoTheFolderAreNotFollowed) {
  const fs::path data = dir_.Path() / "data";
  WriteHost(data / "layout" / "mine" / "Pages.txt", "pages");
  WriteHost(data / "layout" / "mine" / "pics" / "p.jpg", "picture");
  WriteHost(data / "shared" / "s.jpg", "shared");
  std::error_code noLinks;
  fs::create_directory_symlink("../../shared", data / "layout" / "mine" / "more", noLinks);
  if (noLinks)
    GTEST_SKIP() << "this system makes no folder links (Wine implements none): " << noLinks.message();
  fs::create_directory_symlink("..", data / "layout" / "mine" / "pics" / "up");
  WriteHost(Work() / "setup.txt", "outfile x.exe\npages mine\n");
  const ToolRun run =
      MkSetup({ScriptName(), "--package-only", "-o", Output().string(), "--data", data.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("warning: folder link leads back into the folder walked, not followed - "),
            std::string::npos)
      << run.err;
  TPak pak;
  pak.Create(platform::WindowsPathOf(Output().string()), false, false);
  std::vector<std::string> names;
  for (const TPakFile& file : pak.Entries()) names.push_back(file.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Pages.txt", "more\\s.jpg", "pics\\p.jpg", "SetupInfo",
                                             "CompiledLines"}));
}

TEST_F(MkSetupTest, WhatIsMissingBesideTheToolIsNamed) {
  const fs::path alone = dir_.Path() / "alone";
  fs::create_directories(alone);
  const fs::path mksetup = alone / Program("mksetup").filename();
  fs::copy_file(Program("mksetup"), mksetup);
  WriteHost(Work() / "setup.txt", "outfile x.exe\nlanguage install\\english\nuninstallpages uninstall\n");

  const ToolRun noSetup = Tool(mksetup, {ScriptName(), "--data", kData});
  EXPECT_EQ(noSetup.status, 1);
  EXPECT_NE(noSetup.err.find("mksetup: the setup program was not found beside mksetup (" + alone.string() +
                             "); give --stub FILE, or --package-only"),
            std::string::npos)
      << noSetup.err;
  EXPECT_NE(noSetup.err.find("warning: the finaliser (finalise) was not found beside mksetup"),
            std::string::npos);

  const ToolRun noData = Tool(mksetup, {ScriptName(), "--package-only"});
  EXPECT_EQ(noData.status, 1);
  EXPECT_NE(noData.err.find(ScriptName() + ":2: warning: Language table not found - "), std::string::npos)
      << noData.err;
  EXPECT_NE(noData.err.find(ScriptName() + ":3: page folder not found - uninstall ("), std::string::npos)
      << noData.err;
  EXPECT_FALSE(fs::exists(Work() / "x.exe"));
}

TEST_F(MkSetupTest, TheFinaliserPackedIsTheOneForTheSetupProgramsSystem) {
  // Stand-ins: only the first bytes tell the systems apart.
  const fs::path winDir = dir_.Path() / "win", linuxDir = dir_.Path() / "linux";
  WriteHost(winDir / "setup.exe", "MZ windows setup");
  WriteHost(winDir / "finalise.exe", "MZ windows finaliser");
  WriteHost(winDir / "finalise",
            "\x7f"
            "ELF linux finaliser");
  WriteHost(linuxDir / "setup",
            "\x7f"
            "ELF linux setup");
  WriteHost(linuxDir / "finalise",
            "\x7f"
            "ELF linux finaliser");
  WriteHost(Work() / "setup.txt", "language install\\english\nuninstallpages uninstall\n");
  const auto packedFinaliser = [&] {
    TPak pak;
    pak.Create(platform::WindowsPathOf(Output().string()), false, false);
    for (size_t i = 0; i < pak.Count(); ++i) {
      if (pak.Entries()[i].Name != "UNINSTALL_FINALISE.EXE") continue;
      const auto bytes = pak.ReadEntry(static_cast<int>(i));
      return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<unreadable>");
    }
    return std::string("<none>");
  };
  const struct {
    std::vector<std::string> options;
    int status;
    std::string finaliser;  // what the uninstaller carries; empty: nothing written
    std::string message;
  } cases[] = {
      {{"--stub", (winDir / "setup.exe").string()}, 0, "MZ windows finaliser", ""},
      {{"--stub", (linuxDir / "setup").string()},
       0,
       "\x7f"
       "ELF linux finaliser",
       ""},
      {{"--stub", (linuxDir / "setup").string(), "--finaliser", (winDir / "finalise.exe").string()},
       1,
       "",
       "finalise.exe: the finaliser is a Windows program but the setup program "},
      {{"--stub", (winDir / "setup.exe").string(), "--finaliser", (winDir / "finalise").string()},
       1,
       "",
       "the finaliser is a Linux program"},
      {{"--stub", (winDir / "setup.exe").string(), "--finaliser", (dir_.Path() / "none.exe").string()},
       1,
       "",
       "none.exe: finaliser not found"},
  };
  for (const auto& test : cases) {
    fs::remove(Output());
    std::vector<std::string> args = {ScriptName(), "-o", Output().string(), "--data", kData};
    args.insert(args.end(), test.options.begin(), test.options.end());
    const ToolRun run = MkSetup(args);
    EXPECT_EQ(run.status, test.status) << run.err;
    if (test.status == 0) EXPECT_EQ(packedFinaliser(), test.finaliser) << test.options.back();
    else EXPECT_FALSE(fs::exists(Output()));
    EXPECT_NE(run.err.find(test.message), std::string::npos) << run.err;
  }
}

}  // namespace

namespace {

// Compressing on many threads writes the very bytes one thread writes: entries of
// every kind (tiny, compressible, incompressible, empty, many of them) in the script's
// order. A fault in the middle still writes nothing.
TEST_F(MkSetupTest, TheOutputIsTheSameForEveryThreadCount) {
  uint32_t noise = 12345;
  std::string random(300000, '\0');
  for (char& c : random) c = static_cast<char>((noise = noise * 1103515245 + 12345) >> 16);
  for (int i = 0; i < 150; ++i)
    WriteHost(Work() / "files" / ("d" + std::to_string(i % 7)) / ("f" + std::to_string(i) + ".txt"),
              std::string(static_cast<size_t>(i * 97), static_cast<char>('a' + i % 26)));
  WriteHost(Work() / "files" / "noise.bin", random);
  WriteHost(Work() / "files" / "empty.txt", "");
  WriteHost(Work() / "more" / "big.txt", std::string(2'000'000, 'b') + random);
  const std::string script =
      "name Same\noutfile Same.exe\npages standard\nlanguage install\\english\n"
      "file files\\\nfile more\\ More\n";
  std::vector<std::string> outputs;
  for (const char* threads : {"1", "2", "4", "16"}) {
    SCOPED_TRACE(threads);
    const ToolRun run = Pack(script, {"--threads", threads});
    ASSERT_EQ(run.status, 0) << run.err;
    outputs.push_back(ReadHostFile(Output()));
    TPak pak;
    pak.Create(platform::WindowsPathOf(Output().string()), false, false);
    ASSERT_GT(pak.Count(), 150u);
    for (size_t i = 0; i < pak.Count(); ++i)
      EXPECT_TRUE(pak.Entries()[i].OrigSize == 0 || pak.VerifyEntry(static_cast<int>(i))) << i;
  }
  for (size_t i = 1; i < outputs.size(); ++i) EXPECT_TRUE(outputs[i] == outputs[0]) << i;

  const ToolRun badCount = Pack(script, {"--threads", "0"});
  EXPECT_EQ(badCount.status, 2);
  EXPECT_NE(badCount.err.find("--threads needs a number from 1 to 64, not 0"), std::string::npos);
}

// The compression an author picks: the script's line, overridden by the option; a zstd
// package is the same for every thread count and gives every file back, and the
// strongest setting makes a smaller one of the same kind.
TEST_F(MkSetupTest, ZstdPackagesComeFromTheScriptOrTheOptionAndReadBackWhole) {
  uint32_t noise = 777;
  std::string random(200000, '\0');
  for (char& c : random) c = static_cast<char>((noise = noise * 1103515245 + 12345) >> 16);
  std::map<std::string, std::string> files;
  for (int i = 0; i < 60; ++i)
    files["t" + std::to_string(i) + ".txt"] =
        std::string(static_cast<size_t>(i * 211), static_cast<char>('a' + i % 26));
  files["noise.bin"] = random;
  files["big.txt"] = std::string(9'000'000, 'b');  // longer than a block
  std::string words;                               // text whose repeats a stronger level finds more of
  for (uint32_t w = 1; words.size() < 300000; w = w * 69069 + 1)
    words += "unit" + std::to_string(w >> 22) + " ";
  files["words.txt"] = words;
  for (const auto& [name, content] : files) WriteHost(Work() / "files" / name, content);
  const std::string head = "name Z\noutfile Z.exe\npages standard\nlanguage install\\english\n";
  struct Case {
    const char* what;
    std::string line;
    std::vector<std::string> options;
    bool zstd;
    bool strongest = false;
  };
  const std::vector<Case> cases = {
      {"the script's line", "compression zstd\n", {}, true},
      {"the option", "", {"--compression", "zstd"}, true},
      {"the option overrides the line", "compression ZSTD\n", {"--compression", "zlib"}, false},
      {"neither", "", {}, false},
      {"the strongest, by the script's line", "compression Zstd-Max\n", {}, true, true},
      {"the strongest, by the option over the line",
       "compression zstd\n",
       {"--compression", "zstd-max"},
       true,
       true},
  };
  std::optional<uint64_t> defaultZstdSize;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> outputs;
    for (const char* threads : {"1", "3"}) {
      std::vector<std::string> options = c.options;
      options.insert(options.end(), {"--threads", threads});
      const ToolRun run = Pack(head + c.line + "file files\\\n", options);
      ASSERT_EQ(run.status, 0) << run.err;
      outputs.push_back(ReadHostFile(Output()));
    }
    EXPECT_TRUE(outputs[0] == outputs[1]);
    if (c.zstd && !c.strongest) defaultZstdSize = outputs[0].size();
    if (c.strongest) {
      ASSERT_TRUE(defaultZstdSize);
      EXPECT_LT(outputs[0].size(), *defaultZstdSize);
    }
    TPak pak;
    pak.Create(platform::WindowsPathOf(Output().string()), false, false);
    EXPECT_EQ(pak.Extended(), c.zstd);
    size_t found = 0;
    for (size_t i = 0; i < pak.Count(); ++i) {
      const TPakFile& e = pak.Entries()[i];
      const auto source = files.find(e.Name);
      if (e.Group != 1 || source == files.end()) continue;
      ++found;
      const std::optional<Bytes> content = pak.ReadEntry(static_cast<int>(i));
      EXPECT_EQ(content.value_or(Bytes()), Bytes(source->second.begin(), source->second.end())) << e.Name;
      // Noise is stored as it is in both kinds (a zstd package stores it beside its
      // blocks, as it does PNG and OGG files, but at the strongest setting); the rest
      // is compressed.
      const TCompression expected = e.Name == "noise.bin" && !c.strongest ? TCompression::Stored
                                    : c.zstd                              ? TCompression::ZstdBlocks
                                                                          : TCompression::Zlib;
      if (!source->second.empty()) {
        EXPECT_EQ(e.Method(), expected) << e.Name;
      }
    }
    EXPECT_EQ(found, files.size());

    // setuptool reads both kinds: the listing names each entry's compression, and
    // what it extracts is what was packed.
    const fs::path setuptool = Program("setuptool");
    const ToolRun info = Tool(setuptool, {"pak", "info", Output().string()});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.out.substr(0, info.out.find('\n')), c.zstd ? "layout\textended" : "layout\tfirst");
    const ToolRun list = Tool(setuptool, {"pak", "list", Output().string()});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_NE(list.out.find("\tnoise.bin\t1\t200000\t0\t"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find(c.zstd ? "\tzstd\t" : "\tzlib\t-\n"), std::string::npos) << list.out;
    const ToolRun verify = Tool(setuptool, {"pak", "verify", Output().string()});
    EXPECT_EQ(verify.status, 0) << verify.out;
    EXPECT_EQ(verify.out, "ok\t" + std::to_string(pak.Count()) + "\n");
    const fs::path extracted = dir_.Path() / "extracted";
    fs::remove_all(extracted);
    const ToolRun extract =
        Tool(setuptool, {"pak", "extract", Output().string(), extracted.string(), "--group", "1"});
    ASSERT_EQ(extract.status, 0) << extract.err;
    for (const auto& [name, content] : files) EXPECT_TRUE(ReadHostFile(extracted / name) == content) << name;
  }

  for (const char* bad : {"lzma", "zstd-19", "zstd:max"}) {
    const ToolRun badOption = Pack(head + "file files\\\n", {"--compression", bad});
    EXPECT_EQ(badOption.status, 2) << bad;
    EXPECT_NE(badOption.err.find(std::string("--compression needs zlib, zstd or zstd-max, not ") + bad),
              std::string::npos)
        << badOption.err;
  }
  for (const char* bad : {"lzma", "zstd-19", "max"}) {
    const ToolRun badLine = Pack(head + "compression " + bad + "\nfile files\\\n");
    EXPECT_EQ(badLine.status, 1) << bad;
    EXPECT_NE(badLine.err.find(std::string("setup.txt:5: unknown compression - ") + bad +
                               " (zlib, zstd or zstd-max)"),
              std::string::npos)
        << badLine.err;
  }
}

}  // namespace
