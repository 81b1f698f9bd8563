// Packages split into a program file and data files beside it: every file stays within
// the limit, each data file's size and SHA-256 are recorded, entries that run from one
// file into the next read, check and extract whole once the data files are attached,
// and a data file that is missing, short, long, changed or swapped is named before
// anything is read from it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>

#include "package/ZTI_PakDataFiles.h"
#include "package/ZTI_PakExtended.h"
#include "package/ZTI_PakFile.h"
#include "package/ZTI_PakVerify.h"
#include "package/ZTI_SolidPacker.h"
#include "platform/Files.h"
#include "platform/Sha256.h"
#include "support/RecordingHooks.h"
#include "support/TestMachine.h"

namespace {

using testing_support::RecordingHooks;
using testing_support::TempPrefix;

Bytes Noise(size_t length, int seed) {
  std::mt19937 rng(seed);
  Bytes out(length);
  for (uint8_t& b : out) b = static_cast<uint8_t>(rng() % 7);  // compresses a little
  return out;
}

enum class Kind { Zlib, Zstd };

class PakSplit : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return prefix.Path("C:\\out\\" + name); }
  std::string Stem() const { return Path("Addon_Setup"); }
  std::string DataFile(size_t k) const { return Stem() + DataFileSuffix(k); }

  // Entries of two groups, some far longer than the limit, so that they span files.
  void Plan() {
    contents = {Noise(3000, 1), Noise(150000, 2), Noise(10, 3), Noise(90000, 4), Bytes(), Noise(40000, 5)};
  }

  void Write(Kind kind, uint64_t limit) {
    platform::MakeDirectory(prefix.Path("C:\\out"));
    TPak pak;
    pak.Create(Path("Addon_Setup.exe"), false, true);
    pak.UseExtendedLayout();
    pak.SplitBeyond(limit, [&](size_t k) { return DataFile(k); });
    std::vector<TSolidSource> sources;
    for (size_t i = 0; i < contents.size(); ++i) {
      const uint16_t group = i < 2 ? 1 : 2;
      const std::string name = "e" + std::to_string(i) + ".dat";
      if (kind == Kind::Zstd) {
        sources.push_back({name, "", &contents[i], group, contents[i].size()});
      } else {
        const int index = pak.NewEntry(name, "", group);
        ASSERT_TRUE(pak.StorePacked(index, PackContent(contents[i].data(), contents[i].size())));
      }
    }
    if (kind == Kind::Zstd) PackSolid(pak, sources, {2, 16384, 3}, [](size_t) {});
    ASSERT_TRUE(pak.WriteExtendedTable());
  }

  void ExpectEveryEntryWhole(TPak& pak, const std::string& what) {
    ASSERT_EQ(pak.Count(), contents.size()) << what;
    for (size_t i = 0; i < contents.size(); ++i) {
      const std::optional<Bytes> read = pak.ReadEntry(static_cast<int>(i));
      if (contents[i].empty()) continue;
      ASSERT_TRUE(read) << what << " entry " << i;
      EXPECT_EQ(*read, contents[i]) << what << " entry " << i;
    }
    int passed = 0;
    VerifyEntries(pak, {3}, [&](int index, const TEntryVerdict& verdict) {
      EXPECT_TRUE(verdict.Passes) << what << " entry " << index << ": " << verdict.Problem;
      ++passed;
      return true;
    });
    EXPECT_EQ(passed, static_cast<int>(contents.size())) << what;
    RecordingHooks hooks;
    for (const uint16_t group : {1, 2}) pak.ExtractGroup(Path("x"), group, hooks);
    EXPECT_EQ(hooks.written.size(), contents.size()) << what;
  }

  std::vector<Bytes> contents;
  TempPrefix prefix;
};

TEST_F(PakSplit, EachFileStaysWithinTheLimitAndEveryEntryReadsBackThroughTheDataFiles) {
  for (const Kind kind : {Kind::Zlib, Kind::Zstd}) {
    const std::string what = kind == Kind::Zlib ? "zlib" : "zstd";
    Plan();
    constexpr uint64_t kLimit = 40000;
    Write(kind, kLimit);
    TPak pak;
    pak.Create(Path("Addon_Setup.exe"), false, false);
    ASSERT_TRUE(pak.TableComplete()) << what;
    ASSERT_FALSE(pak.MadeByNewerTool()) << what;
    const std::vector<TPakPart> parts = pak.DataFileParts();
    ASSERT_GE(parts.size(), 2u) << what;
    EXPECT_LE(platform::FileFactsOf(Path("Addon_Setup.exe"))->size, kLimit) << what;
    for (size_t k = 1; k <= parts.size(); ++k) {
      const Bytes bytes = platform::ReadWholeFile(DataFile(k)).value();
      EXPECT_LE(bytes.size(), kLimit) << what << k;
      EXPECT_EQ(bytes.size(), parts[k - 1].Size) << what << k;
      EXPECT_EQ(platform::Sha256Of(bytes.data(), bytes.size()), parts[k - 1].Sha256) << what << k;
    }
    EXPECT_FALSE(platform::FileExists(DataFile(parts.size() + 1))) << what;
    // Not attached, the entries beyond the program's part cannot be read.
    EXPECT_FALSE(pak.DataFilesAttached()) << what;
    EXPECT_FALSE(pak.ReadEntry(1)) << what;
    ASSERT_FALSE(pak.AttachDataFiles(Stem())) << what;
    ExpectEveryEntryWhole(pak, what);
  }
}

TEST_F(PakSplit, APackageThatFitsStaysOneFile) {
  Plan();
  Write(Kind::Zlib, 1u << 20);
  TPak pak;
  pak.Create(Path("Addon_Setup.exe"), false, false);
  EXPECT_TRUE(pak.DataFileParts().empty());
  EXPECT_FALSE(platform::FileExists(DataFile(1)));
  ExpectEveryEntryWhole(pak, "one file");
}

TEST_F(PakSplit, ALimitTooSmallForTheProgramAndTableIsRefused) {
  Plan();
  TPak pak;
  platform::MakeDirectory(prefix.Path("C:\\out"));
  pak.Create(Path("Addon_Setup.exe"), false, true);
  pak.UseExtendedLayout();
  pak.SplitBeyond(64, [&](size_t k) { return DataFile(k); });
  const int index = pak.NewEntry("e.dat", "", 1);
  ASSERT_TRUE(pak.StorePacked(index, PackContent(contents[1].data(), contents[1].size())));
  EXPECT_THROW(pak.WriteExtendedTable(), platform::ESetupError);
}

TEST_F(PakSplit, ADataFileThatIsNotAsRecordedIsNamedWithWhatIsWrong) {
  Plan();
  Write(Kind::Zstd, 40000);
  const auto spoil = [&](size_t k, size_t at) {
    Bytes bytes = platform::ReadWholeFile(DataFile(k)).value();
    bytes[std::min(at, bytes.size() - 1)] ^= 0x01;
    ASSERT_TRUE(platform::WriteFileBytes(DataFile(k), bytes.data(), bytes.size()));
  };
  const auto resize = [&](size_t k, int delta) {
    Bytes bytes = platform::ReadWholeFile(DataFile(k)).value();
    bytes.resize(static_cast<size_t>(static_cast<int64_t>(bytes.size()) + delta));
    ASSERT_TRUE(platform::WriteFileBytes(DataFile(k), bytes.data(), bytes.size()));
  };
  struct Case {
    const char* what;
    std::function<void()> change;
    size_t named;         // the data file the fault names
    const char* problem;  // what it says
  };
  const std::vector<Case> cases = {
      {"missing", [&] { platform::DeleteFileAt(DataFile(2)); }, 2, "is missing"},
      {"one byte short", [&] { resize(1, -1); }, 1, "bytes long; the setup needs"},
      {"one byte longer", [&] { resize(2, 1); }, 2, "bytes long; the setup needs"},
      {"first byte changed", [&] { spoil(1, 0); }, 1, "SHA-256"},
      {"last byte changed", [&] { spoil(2, SIZE_MAX); }, 2, "SHA-256"},
      {"first two swapped",
       [&] {
         ASSERT_TRUE(platform::RenameFile(DataFile(1), Path("t")));
         ASSERT_TRUE(platform::RenameFile(DataFile(2), DataFile(1)));
         ASSERT_TRUE(platform::RenameFile(Path("t"), DataFile(2)));
       },
       1, "SHA-256"},
  };
  for (const Case& c : cases) {
    Write(Kind::Zstd, 40000);
    c.change();
    TPak pak;
    pak.Create(Path("Addon_Setup.exe"), false, false);
    ASSERT_TRUE(pak.TableComplete()) << c.what;
    std::vector<uint64_t> progress;
    const std::optional<TDataFileFault> fault =
        pak.AttachDataFiles(Stem(), [&](uint64_t done, uint64_t) { progress.push_back(done); });
    ASSERT_TRUE(fault) << c.what;
    EXPECT_EQ(fault->path, DataFile(c.named)) << c.what;
    EXPECT_NE(fault->problem.find(c.problem), std::string::npos) << c.what << ": " << fault->problem;
    EXPECT_NE(fault->Text().find(DataFile(c.named)), std::string::npos) << c.what;
    EXPECT_FALSE(pak.DataFilesAttached()) << c.what;
    EXPECT_FALSE(pak.ReadEntry(1)) << c.what;
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end())) << c.what;
  }
}

// What was checked is what is read: the name may point at another file afterwards.
TEST_F(PakSplit, ADataFileReplacedAfterTheCheckIsNeverRead) {
  Plan();
  Write(Kind::Zlib, 40000);
  TPak pak;
  pak.Create(Path("Addon_Setup.exe"), false, false);
  ASSERT_FALSE(pak.AttachDataFiles(Stem()));
  Bytes other = platform::ReadWholeFile(DataFile(1)).value();
  for (uint8_t& b : other) b = static_cast<uint8_t>(~b);
  ASSERT_TRUE(platform::WriteFileBytes(Path("other"), other.data(), other.size()));
  // Windows keeps an open data file's name; elsewhere the name now shows the other file.
  platform::ReplaceFileWith(Path("other"), DataFile(1));
  ExpectEveryEntryWhole(pak, "replaced");
}

// The program file itself, split or whole: the workers' and the extraction's readers
// are handles of the file that was opened, never the name opened again.
TEST_F(PakSplit, AProgramFileRenamedAwayAndReplacedAfterOpeningIsNeverRead) {
  for (const uint64_t limit : {uint64_t{40000}, uint64_t{1} << 30}) {
    Plan();
    Write(Kind::Zstd, limit);
    TPak pak;
    pak.Create(Path("Addon_Setup.exe"), false, false);
    ASSERT_FALSE(pak.AttachDataFiles(Stem()));
    Bytes other = platform::ReadWholeFile(Path("Addon_Setup.exe")).value();
    for (uint8_t& b : other) b = static_cast<uint8_t>(~b);
    ASSERT_TRUE(platform::WriteFileBytes(Path("other"), other.data(), other.size()));
    // Windows keeps the open program's name; elsewhere it moves and another file takes it.
    if (platform::RenameFile(Path("Addon_Setup.exe"), Path("moved.exe"))) {
      ASSERT_TRUE(platform::RenameFile(Path("other"), Path("Addon_Setup.exe")));
    }
    ExpectEveryEntryWhole(pak, "limit " + std::to_string(limit));
    pak.Close();
    platform::DeleteFileAt(Path("moved.exe"));
    platform::DeleteFileAt(Path("other"));
  }
}

TEST_F(PakSplit, ATableThatNamesAnotherFileThanItsOwnDataFileIsDamaged) {
  for (const std::string suffix : {"-2.bin", "-1.exe", "\\..\\x-1.bin", "-01.bin", ""}) {
    TExtendedTable table;
    table.Parts.push_back({100, {}, suffix});
    TParsedTable parsed = ParseExtendedTable(BuildExtendedTable(table));
    EXPECT_EQ(parsed.fault, TTableFault::Damaged) << suffix;
  }
  TExtendedTable table;
  table.Parts.push_back({100, {}, "-1.bin"});
  table.Parts.push_back({7, {}, "-2.bin"});
  table.Parts[1].Sha256[31] = 9;
  const TParsedTable parsed = ParseExtendedTable(BuildExtendedTable(table));
  ASSERT_EQ(parsed.fault, TTableFault::None) << parsed.problem;
  ASSERT_EQ(parsed.table.Parts.size(), 2u);
  EXPECT_EQ(parsed.table.Parts[1].Size, 7u);
  EXPECT_EQ(parsed.table.Parts[1].Sha256, table.Parts[1].Sha256);
}

TEST(DataFileNames, TheStemIsTheProgramPathWithoutItsExtension) {
  const struct {
    const char* program;
    const char* stem;
  } cases[] = {
      {"C:\\setups\\Addon_Setup.exe", "C:\\setups\\Addon_Setup"},
      {"C:\\setups\\Addon_Setup", "C:\\setups\\Addon_Setup"},
      {"C:\\set.ups\\Addon_Setup", "C:\\set.ups\\Addon_Setup"},
      {"/tmp/a.b/Addon.v2.exe", "/tmp/a.b/Addon.v2"},
  };
  for (const auto& c : cases) EXPECT_EQ(DataFileStemOf(c.program), c.stem) << c.program;
}

}  // namespace
