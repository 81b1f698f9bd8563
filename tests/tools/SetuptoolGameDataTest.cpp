// setuptool's game package and archive commands, run as a user runs them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "gamedata/SE_RollbackJournal.h"
#include "gamedata/VFS_Unit.h"
#include "gamedata/ZT_PakSystem.h"
#include "platform/Files.h"
#include "support/RunProgram.h"
#include "support/TestMachine.h"
#include "support/HostFiles.h"

namespace {

using testing_support::ReadHostFile;

using namespace testing_support;
namespace fs = std::filesystem;

class GameDataTool : public ::testing::Test {
 protected:
  std::string Host(const std::string& name) const { return (dir.Path() / name).string(); }
  static ProgramResult Tool(const std::vector<std::string>& args) { return RunProgram("setuptool", args); }

  TempPrefix prefix;
  TempDir dir;
};

TEST_F(GameDataTool, PackageCreateListAndExtract) {
  const std::string package = Host("data.ztp");
  ProgramResult r = Tool({"ztp", "create", package});
  ASSERT_EQ(r.status, 0) << r.err;
  r = Tool({"ztp", "list", package});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "trailer\tnone\tno\t0\n");

  TMemoryGroupEntries entries;
  entries.Add("Data\\Notes.txt", std::vector<uint8_t>(4000, 'n'));
  entries.Add("empty.txt", {});
  TPakSystem system;
  system.UpdatePackageAt(platform::WindowsPathOf(package), "data.ztp", "key", entries);
  system.SetOfficialAt(platform::WindowsPathOf(package), "data.ztp", kOfficialAccessWord, "1");

  r = Tool({"ztp", "list", package});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = LinesOf(r.out);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].rfind("Data\\Notes.txt\t2\t", 0), 0u) << lines[0];
  EXPECT_NE(lines[0].find("\t4000\t0\t"), std::string::npos) << lines[0];  // full size, offset
  EXPECT_EQ(lines[2], "trailer\tEIH2\tyes\t1");

  r = Tool({"ztp", "extract", package, Host("out")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadHostFile(dir.Path() / "out" / "Data" / "Notes.txt"), std::string(4000, 'n'));
  EXPECT_TRUE(fs::exists(dir.Path() / "out" / "empty.txt"));

  std::ofstream(Host("broken.ztp"), std::ios::binary) << "not a package at all";
  r = Tool({"ztp", "list", Host("broken.ztp")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("has corrupted header."), std::string::npos) << r.err;
}

TEST_F(GameDataTool, ArchiveCreateListExtractAndVerify) {
  const std::string archive = Host("data.vfs");
  ProgramResult r = Tool({"vfs", "create", archive, "--block-size", "256", "--blocks", "64", "--roots", "4",
                          "--info", "made by a test"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(fs::file_size(archive), 308 + 64 * 8 + 4 * 88 + 64 * 256u);
  r = Tool({"vfs", "verify", archive});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "");
  {
    TVFSFile file;
    file.Open(platform::WindowsPathOf(archive), true);
    const std::vector<uint8_t> text(1000, 'x');
    file.Tree().PutFile("maps\\m1.txt", text.data(), text.size());
    file.Flush(false);
  }
  r = Tool({"vfs", "list", archive});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = LinesOf(r.out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "maps\t2\t88\t0\t1");
  EXPECT_EQ(lines[1].rfind("maps\\m1.txt\t9\t", 0), 0u) << lines[1];
  EXPECT_EQ(Tool({"vfs", "verify", archive}).status, 0);

  r = Tool({"vfs", "extract", archive, Host("out")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadHostFile(dir.Path() / "out" / "maps" / "m1.txt"), std::string(1000, 'x'));

  {  // one byte of data changed behind the archive's back
    std::fstream f(archive, std::ios::binary | std::ios::in | std::ios::out);
    f.seekp(-1, std::ios::end);
    f.put('!');
  }
  r = Tool({"vfs", "verify", archive});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.rfind("digest\t", 0), 0u) << r.out;
  EXPECT_EQ(LinesOf(r.out).size(), 1u);

  EXPECT_EQ(
      Tool({"vfs", "create", Host("x.vfs"), "--blocks", "0", "--block-size", "1", "--roots", "1"}).status, 2);
  EXPECT_EQ(Tool({"vfs", "list"}).status, 2);
}

}  // namespace

namespace {

TEST_F(GameDataTool, RecoverPlaysBackAHotJournalAndEveryCommandDoesSoFirst) {
  const std::string package = Host("data.ztp"), archive = Host("data.vfs");
  ASSERT_EQ(Tool({"ztp", "create", package}).status, 0);
  ASSERT_EQ(Tool({"vfs", "create", archive, "--block-size", "256", "--blocks", "16", "--roots", "4"}).status,
            0);
  const std::string listing = Tool({"ztp", "list", package}).out;
  struct Case {
    const char* what;
    std::vector<std::string> command;
    const std::string* file;
    int status;
    const char* out;  // start of stdout
  };
  const Case cases[] = {
      {"ztp recover", {"ztp", "recover", package}, &package, 0, "restored\t"},
      {"ztp list", {"ztp", "list", package}, &package, 0, "trailer\t"},
      {"vfs recover", {"vfs", "recover", archive}, &archive, 0, "restored\t"},
      {"vfs verify", {"vfs", "verify", archive}, &archive, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // An interrupted update: the journal holds the whole original, the file is damaged.
    const std::string original = ReadHostFile(*c.file);
    ASSERT_FALSE(original.empty());
    const std::string file = platform::WindowsPathOf(*c.file);
    {
      TRollbackJournal journal(file, c.file == &package ? TJournalKind::Package : TJournalKind::Archive);
      ASSERT_TRUE(journal.BeginSegment(original.size()));
      ASSERT_TRUE(journal.AddRange(0, reinterpret_cast<const uint8_t*>(original.data()), original.size()));
      ASSERT_TRUE(journal.Seal());
    }
    std::ofstream(*c.file, std::ios::binary) << "damaged by a kill";
    const ProgramResult r = Tool(c.command);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.out.rfind(c.out, 0), 0u) << r.out;
    EXPECT_NE(r.err.find("restored from its rollback journal"), std::string::npos) << r.err;
    EXPECT_EQ(ReadHostFile(*c.file), original);
    EXPECT_FALSE(fs::exists(*c.file + "-journal"));
  }
  EXPECT_EQ(Tool({"ztp", "list", package}).out, listing);
  const ProgramResult clean = Tool({"ztp", "recover", package});
  EXPECT_EQ(clean.out, "clean\t" + package + "\n");
  EXPECT_EQ(clean.err, "");
}

}  // namespace

namespace {

// An older setup stored a name longer than a record holds as its first 65 (archive) or
// 127 (package) characters; the cut name never matched again, so each run added a
// record. The archive's check and the package's listing say so, and fail.
TEST_F(GameDataTool, RecordsAnOlderSetupCutAreReported) {
  const std::string archive = Host("data.vfs"), package = Host("data.ztp");
  ASSERT_EQ(Tool({"vfs", "create", archive, "--block-size", "512", "--blocks", "64", "--roots", "8"}).status,
            0);
  ASSERT_EQ(Tool({"ztp", "create", package}).status, 0);
  const std::string longFile = std::string(70, 'v') + ".txt";
  const std::string longEntry = std::string(130, 'z');
  for (int run = 0; run < 3; ++run) {
    TVFSFile file;
    file.Open(platform::WindowsPathOf(archive), true);
    const std::string text = "run " + std::to_string(run);
    file.Tree().PutFile("maps\\" + longFile, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    file.Flush(false);
    file.Close();
    TMemoryGroupEntries entries;
    entries.Add(longEntry, std::vector<uint8_t>(10, uint8_t('0' + run)));
    TPakSystem().UpdatePackageAt(platform::WindowsPathOf(package), "data.ztp", "", entries);
  }
  const std::string cutPath = "maps\\" + longFile.substr(0, 65);
  ProgramResult r = Tool({"vfs", "verify", archive});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "cut-name\t" + cutPath + "\t3 records share the name \"" + cutPath +
                       "\" of 65 characters, the most a record holds: an older setup cut a longer name\n");
  r = Tool({"ztp", "list", package});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(LinesOf(r.out).size(), 4u);  // the records are listed all the same
  EXPECT_EQ(r.err, "ztp: " + package + ": 3 records share the name \"" + longEntry.substr(0, 127) +
                       "\" of 127 characters, the most a record holds: an older setup cut a longer name\n");
}

}  // namespace
