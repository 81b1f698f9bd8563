#include "gamedata/ZT_PakSystem.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>

#include "GameDataTestSupport.h"
#include "VfsTestSupport.h"
#include "gamedata/BRQX_Encryption.h"
#include "platform/Errors.h"
#include "platform/SystemInfo.h"
#include "support/TestMachine.h"

namespace {

using namespace gamedata_test;
using vfs_test::ReadHost;
using vfs_test::Text;
using vfs_test::WriteHost;
namespace fs = std::filesystem;

class PakUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(prefix.DriveC() / "game");
    ASSERT_TRUE(CreateEmptyPackage(path));
  }
  TPakLayout Layout() const {
    auto layout = ReadPackageFile(path);
    if (!layout) ADD_FAILURE() << layout.Problem();
    return layout.value_or(TPakLayout{});
  }
  const TPakDirEntry* Record(const TPakLayout& layout, const std::string& name) const {
    for (const auto& e : layout.entries)
      if (e.name == name) return &e;
    return nullptr;
  }
  // The file an entry holds, read from the package's raw bytes.
  std::vector<uint8_t> Content(const TPakDirEntry& e) const {
    const auto raw = ReadHost(host);
    std::vector<uint8_t> stored(raw.begin() + e.offset, raw.begin() + e.offset + e.storedSize);
    ScrambleEntry(stored.data(), stored.size());
    std::vector<uint8_t> content(e.fullSize + 1);
    uLongf length = uLongf(content.size());
    EXPECT_EQ(uncompress(content.data(), &length, stored.data(), uLong(stored.size())), Z_OK);
    content.resize(length);
    return content;
  }
  void Update(TMemoryGroupEntries& entries, const std::string& password = "pw") {
    system.UpdatePackageAt(path, "data.ztp", password, entries);
  }
  // Runs the operation and returns the status it ended the process with.
  template <typename F>
  int EndStatus(F&& operation) {
    try {
      operation();
    } catch (const ProcessEnded& ended) {
      return ended.status;
    }
    return -1;
  }

  testing_support::TempPrefix prefix;
  Dialogs dialogs;
  Progress progress;
  Texts texts;
  TPakSystem system;
  const std::string path = prefix.Path("C:\\game\\data.ztp");
  const fs::path host = prefix.DriveC() / "game" / "data.ztp";
};

TEST_F(PakUpdate, EmptyPackageHasNoTrailerAndGetsTheLongFormWithThePassword) {
  EXPECT_EQ(Layout().trailer.form, TTrailerForm::None);
  EXPECT_EQ(Layout().entries.size(), 0u);
  TMemoryGroupEntries entries;
  entries.Add("Data\\One.txt", Text(5000, 1));
  entries.Add("two.bin", {});
  Update(entries, "Secret7");
  const TPakLayout layout = Layout();
  EXPECT_EQ(layout.trailer.form, TTrailerForm::Eih2);
  EXPECT_EQ(layout.trailer.password, "Secret7");
  EXPECT_FALSE(layout.trailer.official);
  ASSERT_EQ(layout.entries.size(), 2u);
  const TPakDirEntry& one = layout.entries[0];
  EXPECT_EQ(one.name, "Data\\One.txt");
  EXPECT_EQ(one.kind, 2);
  EXPECT_EQ(one.offset, 0u);
  EXPECT_EQ(one.fullSize, 5000u);
  const platform::LocalDate today = platform::Today();
  EXPECT_EQ(one.date, DosDate(today.year, today.month, today.day));
  EXPECT_EQ(Content(one), Text(5000, 1));
  EXPECT_EQ(layout.entries[1].offset, one.storedSize);
  EXPECT_EQ(Content(layout.entries[1]), std::vector<uint8_t>{});
  EXPECT_EQ(system.EntriesWritten(), 2);
  // Status: the progress text for 0 and 1, then the header text; one gauge step each.
  const std::vector<std::string> status = {"Processing data.ztp: 0 of 2 files",
                                           "Processing data.ztp: 0 of 2 files",
                                           "Processing data.ztp: 1 of 2 files", "Writing header of data.ztp"};
  EXPECT_EQ(progress.status, status);
  EXPECT_EQ(ProgressCounter(), 2);
  EXPECT_EQ(progress.gauge, std::vector<int>{2});  // redrawn when the percentage grew
}

TEST_F(PakUpdate, SameFilesAgainWriteNothingAndChangedOnesMoveToTheEnd) {
  TMemoryGroupEntries first;
  first.Add("Data\\Maps\\A.map", Text(3000, 1));
  first.Add("b.txt", Text(2000, 2));
  first.Add("c.txt", Text(1000, 3));
  Update(first);
  const TPakLayout before = Layout();
  const auto rawBefore = ReadHost(host);

  Update(first);  // the same group once more
  EXPECT_EQ(system.EntriesWritten(), 0);
  const TPakLayout same = Layout();
  EXPECT_EQ(same.directoryOffset, before.directoryOffset);
  EXPECT_EQ(ReadHost(host).size(), rawBefore.size());
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(same.entries[i].name, before.entries[i].name);
    EXPECT_EQ(same.entries[i].offset, before.entries[i].offset);
  }

  TMemoryGroupEntries second;
  second.Add("DATA\\maps\\a.MAP", Text(3500, 9));  // another spelling, new content
  second.Add("c.txt", Text(1000, 3));
  Update(second);
  const TPakLayout after = Layout();
  ASSERT_EQ(after.entries.size(), 3u);
  EXPECT_EQ(after.entries[0].name, "b.txt");
  EXPECT_EQ(after.entries[1].name, "c.txt");
  EXPECT_EQ(after.entries[2].name, "Data\\Maps\\A.map");  // old spelling, moved to the end
  EXPECT_EQ(after.entries[2].offset, before.directoryOffset);
  EXPECT_EQ(Content(after.entries[2]), Text(3500, 9));
  const auto raw = ReadHost(host);  // the old bytes stay as dead space
  EXPECT_TRUE(std::equal(rawBefore.begin(), rawBefore.begin() + long(before.directoryOffset), raw.begin()));
  EXPECT_EQ(system.EntriesWritten(), 1);
}

TEST_F(PakUpdate, EntryAlreadyWrittenByThisUpdateIsFoundUnchanged) {
  // The same file twice in one group (names differing in case): the second finds the
  // record the first made, with the same stored bytes, and writes nothing.
  TMemoryGroupEntries entries;
  entries.Add("old.txt", Text(500, 1));
  Update(entries);
  const uint64_t dataEnd = Layout().directoryOffset;
  TMemoryGroupEntries twice;
  twice.Add("Maps\\A.txt", Text(800, 2));
  twice.Add("MAPS\\a.TXT", Text(800, 2));
  twice.Add("b.txt", Text(300, 3));
  Update(twice);
  EXPECT_EQ(system.EntriesWritten(), 2);
  const TPakLayout layout = Layout();
  ASSERT_EQ(layout.entries.size(), 3u);
  EXPECT_EQ(layout.entries[1].name, "Maps\\A.txt");
  EXPECT_EQ(layout.entries[1].offset, dataEnd);
  EXPECT_EQ(layout.entries[2].offset, dataEnd + layout.entries[1].storedSize);
  EXPECT_EQ(layout.directoryOffset, layout.entries[2].offset + layout.entries[2].storedSize);
}

TEST_F(PakUpdate, WrongPasswordStopsBeforeAnythingChanges) {
  TMemoryGroupEntries entries;
  entries.Add("a.txt", Text(100, 1));
  Update(entries, "right");
  const auto before = ReadHost(host);
  entries.items[0].content = Text(200, 2);
  EXPECT_EQ(EndStatus([&] { Update(entries, "Right"); }), platform::kExitFatalStop);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, "Error Incorrect Password\rFile: data.ztp");
  EXPECT_EQ(ReadHost(host), before);
}

TEST_F(PakUpdate, ShortFormPasswordAndPasswordsThatCannotBeStored) {
  auto raw = ReadHost(host);
  const std::string trailer = std::string("ZTP2ab1") + '\0' + "cdefg";  // password "ab1"
  raw.insert(raw.end(), trailer.begin(), trailer.end());
  WriteHost(host, raw);
  TMemoryGroupEntries entries;
  entries.Add("a.txt", Text(100, 1));
  EXPECT_EQ(EndStatus([&] { Update(entries, "ab1cdefg"); }), platform::kExitFatalStop);
  Update(entries, "ab1");
  EXPECT_EQ(Layout().trailer.form, TTrailerForm::Eih2);
  EXPECT_EQ(Layout().trailer.password, "ab1");

  ASSERT_TRUE(CreateEmptyPackage(path));
  const auto empty = ReadHost(host);
  EXPECT_EQ(EndStatus([&] { Update(entries, std::string(kPasswordMax + 1, 'p')); }),
            platform::kExitFatalStop);
  EXPECT_EQ(ReadHost(host), empty);
  Update(entries, std::string(kPasswordMax, 'p'));
  EXPECT_EQ(Layout().trailer.password, std::string(kPasswordMax, 'p'));
}

TEST_F(PakUpdate, PasswordDoesNotCarryOverToAPackageWithoutTrailer) {
  TMemoryGroupEntries entries;
  entries.Add("a.txt", Text(100, 1));
  Update(entries, "first");
  system.UpdatePackageAt(path, "data.ztp", "first", entries);
  const std::string other = prefix.Path("C:\\game\\other.ztp");
  ASSERT_TRUE(CreateEmptyPackage(other));
  system.UpdatePackageAt(other, "other.ztp", "", entries);
  EXPECT_EQ(ReadPackageFile(other)->trailer.password, "");
}

TEST_F(PakUpdate, FailedWriteRestoresThePackage) {
  TMemoryGroupEntries entries;
  entries.Add("a.txt", vfs_test::Noise(3000, 1));
  Update(entries);
  const auto before = ReadHost(host);
  const TPakLayout layout = Layout();
  TMemoryGroupEntries more;
  more.Add("b.txt", vfs_test::Noise(3000, 2));
  more.Add("c.txt", vfs_test::Noise(3000, 3));
  const uint64_t b = StoredFormOf("b.txt", more.items[0].content)->bytes.size();
  const uint64_t c2 = StoredFormOf("c.txt", more.items[1].content)->bytes.size();
  struct Case {
    const char* what;
    uint64_t limit;
  } cases[] = {{"second entry", layout.directoryOffset + b + 10},
               {"directory", layout.directoryOffset + b + c2 + 10}};
  for (const auto& c : cases) {
    system.SetWriteLimitForTests(c.limit);
    dialogs.boxes.clear();
    EXPECT_EQ(EndStatus([&] { Update(more); }), platform::kExitFatalStop) << c.what;
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Disk full, " + path +
                                         " was restored as it was before the update. "
                                         "Free some disk space and try again.\r"
                                         "(the write limit set for a test was reached)");
    EXPECT_EQ(ReadHost(host), before) << c.what;
  }
  system.SetWriteLimitForTests(UINT64_MAX);
  Update(more);
  EXPECT_EQ(Layout().entries.size(), 3u);
}

TEST_F(PakUpdate, AnErrorWhileAddingLeavesThePackageAsItWas) {
  class Failing : public TMemoryGroupEntries {
   public:
    std::vector<uint8_t> Content(size_t i) override {
      if (i == 1) throw platform::ESetupError("cannot read the second entry");
      return TMemoryGroupEntries::Content(i);
    }
  } entries;
  entries.Add("a.txt", Text(100, 1));
  entries.Add("b.txt", Text(100, 2));
  entries.Add("c.txt", Text(100, 3));
  TMemoryGroupEntries first;
  first.Add("old.txt", Text(300, 4));
  Update(first);
  const auto before = ReadHost(host);
  EXPECT_THROW(Update(entries), platform::ESetupError);
  EXPECT_EQ(ReadHost(host), before);
  EXPECT_EQ(progress.status.back(), "Writing header of data.ztp");
}

TEST_F(PakUpdate, APackageThatWouldOutgrowItsOffsetsIsLeftAsItWas) {
  TMemoryGroupEntries first;
  first.Add("old.txt", Text(300, 4));
  Update(first);
  const auto before = ReadHost(host);
  TMemoryGroupEntries more;
  more.Add("a.txt", Text(100, 1));
  more.Add("b.txt", Text(100, 2));
  system.SetOffsetLimitForTests(Layout().directoryOffset + 1);  // no room for an entry
  try {
    Update(more);
    ADD_FAILURE() << "the update went past the addressable area";
  } catch (const platform::ESetupError& error) {
    EXPECT_NE(std::string(error.what()).find("Cannot add a.txt to " + path), std::string::npos)
        << error.what();
  }
  EXPECT_EQ(ReadHost(host), before);
  system.SetOffsetLimitForTests(UINT32_MAX);
}

TEST_F(PakUpdate, SoundEntriesAndWavesThatAreSkipped) {
  std::vector<uint8_t> wave(44 + 400, 0);
  std::memcpy(&wave[0], "RIFF", 4);
  std::memcpy(&wave[8], "WAVEfmt ", 8);
  wave[16] = 16;
  wave[22] = 1;
  wave[34] = 16;
  std::memcpy(&wave[36], "data", 4);
  wave[40] = 0x90;
  wave[41] = 0x01;  // 400 bytes
  TMemoryGroupEntries entries;
  entries.Add("sound\\hello.wav", wave);
  entries.Add("sound\\broken.WAV", Text(100, 1));
  Update(entries);
  const TPakLayout layout = Layout();
  ASSERT_EQ(layout.entries.size(), 1u);
  EXPECT_EQ(layout.entries[0].kind, 1);
  EXPECT_EQ(layout.entries[0].storedSize, 58u + 100 + 6);
  EXPECT_EQ(layout.entries[0].fullSize, wave.size());
}

TEST_F(PakUpdate, EmptyGroupLeavesEvenAMissingPackageAlone) {
  TMemoryGroupEntries none;
  system.UpdatePackageAt(prefix.Path("C:\\game\\missing.ztp"), "missing.ztp", "x", none);
  EXPECT_TRUE(dialogs.boxes.empty());
  EXPECT_TRUE(progress.status.empty());
}

TEST_F(PakUpdate, MissingOrReadOnlyPackagesGoThroughRetryAndCancel) {
  const std::string missing = prefix.Path("C:\\game\\later.ztp");
  TMemoryGroupEntries entries;
  entries.Add("a.txt", Text(10, 1));
  dialogs.answers = {platform::MessageResult::Retry};
  dialogs.onBox = [&] {
    if (dialogs.boxes.size() == 1) {
      EXPECT_TRUE(CreateEmptyPackage(missing));
    }
  };
  system.UpdatePackageAt(missing, "later.ztp", "", entries);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].caption, "Error");
  EXPECT_EQ(dialogs.boxes[0].text, "File not found: \"" + missing + "\".");
  EXPECT_EQ(dialogs.boxes[0].buttons, platform::MessageButtons::RetryCancel);

  dialogs.onBox = nullptr;
  EXPECT_EQ(
      EndStatus([&] { system.UpdatePackageAt(prefix.Path("C:\\game\\gone.ztp"), "gone.ztp", "", entries); }),
      platform::kExitCancelled);

  fs::permissions(host, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  ASSERT_TRUE(platform::IsReadOnly(path));
  Update(entries);
  EXPECT_FALSE(platform::IsReadOnly(path));
  EXPECT_EQ(Layout().entries.size(), 1u);
}

TEST_F(PakUpdate, DamagedPackagesStopWithTheirPath) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  } cases[] = {{"too short", {1, 2, 3}}, {"version 4", [] {
                                            TPakHeader h;
                                            auto d = EncodeDirectory({}, h);
                                            h.version = 4;
                                            auto raw = EncodeHeader(h);
                                            d.insert(d.end(), raw.begin(), raw.end());
                                            return d;
                                          }()}};
  for (const auto& c : cases) {
    WriteHost(host, c.bytes);
    dialogs.boxes.clear();
    TMemoryGroupEntries entries;
    entries.Add("a.txt", Text(10, 1));
    EXPECT_EQ(EndStatus([&] { Update(entries); }), platform::kExitFatalStop) << c.what;
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "File " + path + " has corrupted header.");
    EXPECT_EQ(ReadHost(host), c.bytes);
  }
}

TEST_F(PakUpdate, OfficialFlagNeedsTheAccessWord) {
  TMemoryGroupEntries entries;
  entries.Add("a.txt", Text(10, 1));
  Update(entries, "pw");
  struct Case {
    const char *marker, *value;
    bool official;
  } cases[] = {{"VorPelk", "T", true},    {"vorpelk", "0", false}, {"vorpelk", "True", true},
               {"vorpelk", "yes", false}, {"vorpelk", "1", true},  {"wrong", "0", true}};
  for (const auto& c : cases) {
    system.SetOfficialAt(path, "data.ztp", c.marker, c.value);
    EXPECT_EQ(Layout().trailer.official, c.official) << c.marker << " " << c.value;
    EXPECT_EQ(Layout().trailer.password, "pw");
  }
  system.SetOfficialAt(prefix.Path("C:\\game\\missing.ztp"), "missing.ztp", "nope", "1");
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(PakUpdate, DuplicateEntrySharesTheStoredBytes) {
  TMemoryGroupEntries entries;
  entries.Add("Src.txt", Text(100, 1));
  entries.Add("other.txt", Text(200, 2));
  Update(entries);
  const auto size = ReadHost(host).size();
  system.DuplicateEntryAt(path, "data.ztp", "SRC.TXT", "Copy\\Of.TXT");
  TPakLayout layout = Layout();
  ASSERT_EQ(layout.entries.size(), 3u);
  const TPakDirEntry* copy = Record(layout, "copy\\of.txt");
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->offset, layout.entries[0].offset);
  EXPECT_EQ(Content(*copy), Text(100, 1));
  EXPECT_LE(ReadHost(host).size(), size + 200);  // only the directory grew

  system.DuplicateEntryAt(path, "data.ztp", "other.txt", "copy\\of.txt");  // different data: kept
  system.DuplicateEntryAt(path, "data.ztp", "nothing.txt", "x.txt");       // no source: unchanged
  layout = Layout();
  EXPECT_EQ(layout.entries.size(), 3u);
  EXPECT_EQ(Record(layout, "copy\\of.txt")->offset, layout.entries[0].offset);
}

}  // namespace
