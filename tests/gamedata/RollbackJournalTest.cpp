#include "gamedata/SE_RollbackJournal.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "VfsTestSupport.h"
#include "gamedata/SE_GameDataJournals.h"
#include "gamedata/VFS_Unit.h"
#include "gamedata/ZT_GroupEntries.h"
#include "gamedata/ZT_PakSystem.h"
#include "platform/Errors.h"
#include "platform/FaultInjection.h"
#include "platform/Files.h"
#include "support/TestMachine.h"

namespace {

using vfs_test::Noise;
using vfs_test::ReadHost;
using vfs_test::Text;
using vfs_test::WriteHost;
namespace fs = std::filesystem;

class RollbackJournal : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(prefix.DriveC() / "game");
    original = Noise(5000, 7);
    WriteHost(host, original);
  }
  // Journals the bytes [offset, offset + count) and the length, as an update does first.
  void JournalTail(uint64_t offset, size_t count, const std::vector<uint8_t>& companion = {}) {
    TRollbackJournal journal(path, TJournalKind::Package);
    ASSERT_TRUE(journal.BeginSegment(original.size()));
    ASSERT_TRUE(journal.AddRange(offset, original.data() + offset, count));
    if (!companion.empty()) {
      ASSERT_TRUE(journal.AddCompanion("data.ht", companion));
    }
    ASSERT_TRUE(journal.Seal());
  }
  std::vector<uint8_t> Changed(size_t cutAt, size_t newLength, uint32_t seed) const {
    std::vector<uint8_t> bytes(original.begin(), original.begin() + long(cutAt));
    const std::vector<uint8_t> more = Noise(newLength - cutAt, seed);
    bytes.insert(bytes.end(), more.begin(), more.end());
    return bytes;
  }

  testing_support::TempPrefix prefix;
  const std::string path = prefix.Path("C:\\game\\data.ztp");
  const fs::path host = prefix.DriveC() / "game" / "data.ztp";
  const fs::path journalHost = prefix.DriveC() / "game" / "data.ztp-journal";
  std::vector<uint8_t> original;
};

TEST_F(RollbackJournal, HotJournalGivesBackTheOriginalBytesAndLength) {
  struct Case {
    const char* what;
    size_t journaledFrom;  // the update journals from here to the end
    size_t newLength;      // what the interrupted update left
  };
  const Case cases[] = {
      {"overwritten in place, same length", 3000, 5000},
      {"grown past the original end", 4000, 9000},
      {"cut shorter", 1000, 2500},
      {"cut to the journaled offset itself", 3000, 3000},
      {"cut to nothing then extended", 0, 7000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteHost(host, original);
    JournalTail(c.journaledFrom, original.size() - c.journaledFrom);
    WriteHost(host, Changed(c.journaledFrom, c.newLength, 11));
    const TGameFileRecovery recovered = RecoverGameFile(path);
    EXPECT_EQ(recovered.recovery, TRecovery::Restored);
    EXPECT_NE(recovered.note.find("restored"), std::string::npos) << recovered.note;
    EXPECT_EQ(ReadHost(host), original);
    EXPECT_FALSE(fs::exists(journalHost));
  }
}

TEST_F(RollbackJournal, TornOrDamagedJournalIsIgnoredAndTheFileLeftAlone) {
  JournalTail(2000, 3000);
  const std::vector<uint8_t> whole = ReadHost(journalHost);
  // The update had not begun: the file is what it was, whatever the journal says.
  const std::vector<uint8_t> current = Changed(5000, 5000, 0);
  for (size_t length = 0; length < whole.size();
       length += (length < 64 || whole.size() - length < 64) ? 1 : 97) {
    SCOPED_TRACE(length);
    WriteHost(journalHost, std::vector<uint8_t>(whole.begin(), whole.begin() + long(length)));
    EXPECT_EQ(RecoverGameFile(path).recovery, TRecovery::Ignored);
    EXPECT_EQ(ReadHost(host), current);
    EXPECT_FALSE(fs::exists(journalHost));
  }
  for (size_t flipped : {size_t(3), size_t(30), size_t(40), whole.size() / 2, whole.size() - 2}) {
    SCOPED_TRACE(flipped);
    std::vector<uint8_t> damaged = whole;
    damaged[flipped] ^= 0x20;
    WriteHost(journalHost, damaged);
    EXPECT_EQ(RecoverGameFile(path).recovery, TRecovery::Ignored);
    EXPECT_EQ(ReadHost(host), current);
  }
}

TEST_F(RollbackJournal, LaterSegmentsAreUndoneFirstSoTheOldestOriginalWins) {
  JournalTail(3000, 2000);
  const std::vector<uint8_t> afterFirst = Changed(3000, 6000, 21);
  WriteHost(host, afterFirst);
  {
    TRollbackJournal second(path, TJournalKind::Package);  // appends, as a run's later update does
    ASSERT_TRUE(second.BeginSegment(afterFirst.size()));
    ASSERT_TRUE(second.AddRange(2500, afterFirst.data() + 2500, afterFirst.size() - 2500));
    ASSERT_TRUE(second.Seal());
    // A torn third segment after them is cut off by the next writer or ignored.
    ASSERT_TRUE(second.BeginSegment(1));
    ASSERT_TRUE(second.AddRange(0, afterFirst.data(), 10));
  }
  WriteHost(host, Changed(2500, 8000, 22));
  const TJournalContents contents = InspectJournal(path + "-journal");
  EXPECT_EQ(contents.validSegments, 2);
  EXPECT_EQ(contents.originalSize, original.size());
  EXPECT_EQ(RecoverGameFile(path).recovery, TRecovery::Restored);
  EXPECT_EQ(ReadHost(host), original);
}

TEST_F(RollbackJournal, CompanionFileIsPutBackOrRemoved) {
  const fs::path table = prefix.DriveC() / "game" / "data.ht";
  JournalTail(4000, 1000, Text(300, 1));
  WriteHost(table, Text(50, 2));
  EXPECT_EQ(RecoverGameFile(path).recovery, TRecovery::Restored);
  EXPECT_EQ(ReadHost(table), Text(300, 1));
  {
    TRollbackJournal journal(path, TJournalKind::Archive);
    ASSERT_TRUE(journal.BeginSegment(original.size()));
    ASSERT_TRUE(journal.AddCompanion("data.ht", std::nullopt));
    ASSERT_TRUE(journal.Seal());
  }
  EXPECT_EQ(RecoverGameFile(path).recovery, TRecovery::Restored);
  EXPECT_FALSE(fs::exists(table));
}

TEST_F(RollbackJournal, RunKeepsJournalsUntilItCommitsOrRollsBack) {
  const std::string archive = prefix.Path("C:\\game\\data.vfs");
  const fs::path archiveHost = prefix.DriveC() / "game" / "data.vfs";
  ASSERT_TRUE(CreateEmptyPackage(path));
  TVFSFile::Create(archive, 512, 64, 4, "run test");
  const std::vector<uint8_t> package0 = ReadHost(host), archive0 = ReadHost(archiveHost);
  auto update = [&](int seed) {
    TMemoryGroupEntries group;
    group.Add("a.txt", Text(2000, seed));
    group.Add("b.dat", Noise(1500, uint32_t(seed)));
    PakSystem().UpdatePackageAt(path, "data.ztp", "", group);
    TVFSFile vfs;
    vfs.Open(archive, true);
    const auto data = Text(1800, seed);
    vfs.Tree().PutFile("maps\\a.txt", data.data(), data.size());
    vfs.Flush(false);
  };
  for (bool commit : {false, true}) {
    SCOPED_TRACE(commit ? "commit" : "roll back");
    std::vector<std::string> noted;
    {
      TGameDataJournals run;
      run.OnFirstKept = [&](const std::string& file) { noted.push_back(file); };
      update(1);
      update(2);  // the second update of each file appends to its journal
      EXPECT_EQ(noted, (std::vector<std::string>{path, archive}));
      EXPECT_TRUE(fs::exists(journalHost));
      // The run's own journal is not hot: reading the package meanwhile changes nothing.
      EXPECT_EQ(RecoverGameFile(path).recovery, TRecovery::Nothing);
      EXPECT_TRUE(commit ? run.CommitAll() : run.RollBackAll());
    }
    EXPECT_FALSE(fs::exists(journalHost));
    EXPECT_FALSE(fs::exists(archiveHost.string() + "-journal"));
    EXPECT_TRUE(VerifyArchive(archive).empty());
    if (!commit) {
      EXPECT_EQ(ReadHost(host), package0);
      EXPECT_EQ(ReadHost(archiveHost).size(), archive0.size());
      TVFSFile vfs;
      vfs.Open(archive, true);
      EXPECT_EQ(vfs.Tree().FindPath("maps\\a.txt"), -1);
    } else {
      auto layout = ReadPackageFile(path);
      ASSERT_TRUE(layout) << layout.Problem();
      EXPECT_EQ(layout->entries.size(), 2u);
    }
  }
}

// A finished update's journal that cannot be deleted (in use by another program) is
// emptied instead: played back later, it would undo the update.
TEST_F(RollbackJournal, AJournalThatCannotBeDeletedAfterTheUpdateIsEmptiedInstead) {
  const std::vector<uint8_t> updated = Changed(3000, 6000, 41);
  for (const bool inRun : {false, true}) {
    SCOPED_TRACE(inRun ? "the run commits" : "a killed run that had finished");
    WriteHost(host, original);
    JournalTail(3000, 2000);
    WriteHost(host, updated);
    platform::HoldFileInUse(JournalPathOf(path));
    if (inRun) {
      TGameDataJournals run;
      run.Keep(path);
      EXPECT_TRUE(run.CommitAll());
    } else {
      EXPECT_TRUE(RetireJournalOf(path)) << RetireJournalOf(path).Problem();
    }
    platform::ReleaseFileInUse();
    ASSERT_TRUE(fs::exists(journalHost));
    EXPECT_EQ(fs::file_size(journalHost), 0u);
    EXPECT_EQ(RecoverGameFile(path).recovery, TRecovery::Ignored);
    EXPECT_EQ(ReadHost(host), updated);
  }
}

TEST_F(RollbackJournal, UpdateOutsideARunLeavesNoJournal) {
  ASSERT_TRUE(CreateEmptyPackage(path));
  TMemoryGroupEntries group;
  group.Add("a.txt", Text(2000, 1));
  PakSystem().UpdatePackageAt(path, "data.ztp", "", group);
  EXPECT_FALSE(fs::exists(journalHost));
  // A hot journal left beside the package is played back before the next update.
  const std::vector<uint8_t> before = ReadHost(host);
  {
    TRollbackJournal journal(path, TJournalKind::Package);
    ASSERT_TRUE(journal.BeginSegment(before.size()));
    ASSERT_TRUE(journal.AddRange(0, before.data(), before.size()));
    ASSERT_TRUE(journal.Seal());
  }
  WriteHost(host, Text(100, 3));  // "corrupted header" without the journal
  PakSystem().UpdatePackageAt(path, "data.ztp", "", group);
  auto layout = ReadPackageFile(path);
  ASSERT_TRUE(layout) << layout.Problem();
  EXPECT_EQ(layout->entries.size(), 1u);
}

TEST_F(RollbackJournal, AFileThatCannotBeRestoredSaysWhyAndKeepsItsJournal) {
  JournalTail(3000, 2000);
  WriteHost(host, Changed(3000, 6000, 31));
  // The read-only attribute: the system refuses to open the file for writing.
  ASSERT_TRUE(platform::SetReadOnly(path, true));
  const platform::File refused = platform::File::Open(path, platform::OpenMode::ReadWrite);
  ASSERT_FALSE(refused.IsOpen());
  const std::string reason = platform::LastErrorText();
  const TGameFileRecovery failed = RecoverGameFile(path);
  EXPECT_EQ(failed.recovery, TRecovery::Failed);
  EXPECT_NE(failed.note.find("cannot open " + path + " to restore it: " + reason), std::string::npos)
      << failed.note;
  EXPECT_TRUE(fs::exists(journalHost));  // hot, for the next try
  auto layout = ReadPackageFile(path);
  EXPECT_FALSE(layout);
  EXPECT_NE(layout.Problem().find(reason), std::string::npos) << layout.Problem();

  ASSERT_TRUE(platform::SetReadOnly(path, false));
  EXPECT_EQ(RecoverGameFile(path).recovery, TRecovery::Restored);
  EXPECT_EQ(ReadHost(host), original);
}

TEST_F(RollbackJournal, APackageThatCannotBeOpenedSaysWhyAndOneThatIsDamagedSaysSo) {
  const std::string missing = prefix.Path("C:\\game\\missing.ztp");
  const platform::File refused = platform::File::Open(missing, platform::OpenMode::ReadShared);
  const std::string reason = platform::LastErrorText();
  const auto absent = ReadPackageFile(missing);
  EXPECT_FALSE(absent);
  EXPECT_EQ(absent.Problem(), "cannot open " + missing + ": " + reason);
  const auto damaged = ReadPackageFile(path);  // noise, no package header
  EXPECT_FALSE(damaged);
  EXPECT_EQ(damaged.Problem(), "File " + path + " has corrupted header.");
}

}  // namespace

// A journal beside a game file may have been planted by any user who can write there:
// one whose record names anything but a companion of its own game file is refused,
// naming the journal, before any record is applied.
TEST_F(RollbackJournal, AJournalNamingAFileOtherThanItsGameFilesCompanionIsRefusedWhole) {
  const char* names[] = {"..\\..\\windows\\system32\\evil.dll",
                         "..\\data.ht",
                         "sub\\data.ht",
                         "C:\\data.ht",
                         "/data.ht",
                         "other.ht",
                         "data.ztp",
                         "data.ztp-journal",
                         ".."};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    WriteHost(host, Changed(4000, 6000, 3));
    {
      TRollbackJournal journal(path, TJournalKind::Archive);
      ASSERT_TRUE(journal.BeginSegment(original.size()));
      ASSERT_TRUE(journal.AddRange(4000, original.data() + 4000, 1000));
      ASSERT_TRUE(journal.AddCompanion(name, Text(10, 4)));
      ASSERT_TRUE(journal.Seal());
    }
    const platform::Status played = PlayBackJournal(path);
    ASSERT_FALSE(played);
    EXPECT_NE(played.Problem().find(path + "-journal"), std::string::npos) << played.Problem();
    EXPECT_NE(played.Problem().find(name), std::string::npos) << played.Problem();
    EXPECT_EQ(ReadHost(host), Changed(4000, 6000, 3));  // not a byte of it applied
    EXPECT_FALSE(fs::exists(prefix.DriveC() / "windows" / "system32" / "evil.dll"));
    EXPECT_FALSE(fs::exists(prefix.DriveC() / "data.ht"));
    EXPECT_FALSE(fs::exists(prefix.DriveC() / "game" / "other.ht"));
    fs::remove(journalHost);
  }
}
