// Reading hand-built packages: the table, stored and compressed entries, checksums,
// lookups and group walks.
#include <gtest/gtest.h>
#include <zlib.h>

#include "package/ZTI_PakFile.h"
#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "support/PakBytes.h"
#include "support/TestMachine.h"

namespace {

using namespace testing_support;

class PakRead : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetMessageBoxHandler([this](const std::u16string& text, const std::u16string& caption,
                                          platform::MessageButtons, platform::MessageIcon) {
      boxes.push_back(platform::WideToUtf8(caption) + ": " + platform::WideToUtf8(text));
      return platform::MessageResult::Ok;
    });
  }
  void TearDown() override { platform::SetMessageBoxHandler(nullptr); }

  TPak Open(const Bytes& bytes) {
    EXPECT_TRUE(platform::WriteFileBytes(prefix.Path("C:\\setup.exe"), bytes.data(), bytes.size()));
    TPak pak;
    pak.Create(prefix.Path("C:\\setup.exe"), false, false);
    return pak;
  }
  static std::string Text(const std::optional<Bytes>& bytes) {
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<nothing>";
  }

  TempPrefix prefix;
  std::vector<std::string> boxes;
};

TEST_F(PakRead, FilesWithoutThePackageMarkOpenEmpty) {
  struct Case {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"empty file", {}},
      {"shorter than the header", Bytes(15, 'Z')},
      {"wrong mark", BuildPackage({StoredEntry("a", "x", 0)}, {}, 0xFFFF)},
  };
  cases[2].bytes[cases[2].bytes.size() - 16] = 'X';
  for (auto& c : cases) {
    TPak pak = Open(c.bytes);
    EXPECT_FALSE(pak.Header().IsPackage()) << c.what;
    EXPECT_EQ(pak.Count(), 0u) << c.what;
    EXPECT_FALSE(pak.FindEntry("a", 0).Data) << c.what;
    EXPECT_FALSE(pak.ReadEntry(0)) << c.what;
  }
}

TEST_F(PakRead, APackageOfNoEntriesFindsNothing) {
  TPak pak = Open(BuildPackage({}, Bytes(100, 0x90)));
  EXPECT_TRUE(pak.Header().IsPackage());
  EXPECT_EQ(pak.Header().PakStart, 100u);
  EXPECT_EQ(pak.Count(), 0u);
  EXPECT_EQ(pak.FindEntry("SetupInfo", 0).Size, 0u);
  EXPECT_EQ(pak.FirstInGroup(0, true).Name, "");
  EXPECT_FALSE(pak.VerifyEntry(0));
}

TEST_F(PakRead, MissingFilesRaiseAnErrorNamingThem) {
  TPak pak;
  try {
    pak.Create("C:\\no such.exe", false, false);
    ADD_FAILURE();
  } catch (const platform::ESetupError& e) {
    EXPECT_NE(std::string(e.what()).find("C:\\no such.exe"), std::string::npos);
  }
}

TEST_F(PakRead, StoredCompressedAndEmptyEntries) {
  const std::string raw76(76, 'r');
  std::string text;
  for (int i = 0; i < 300; ++i) text += "compressible text ";
  TPak pak = Open(BuildPackage(
      {StoredEntry("raw", raw76, 0), CompressedEntry("zip", text, 0), StoredEntry("empty", "", 0)},
      Bytes(10, 'M')));
  ASSERT_EQ(pak.Count(), 3u);
  const TPakFile& raw = pak.Entries()[0];
  EXPECT_EQ(raw.Offset, 10u);  // the first entry starts at PakStart
  EXPECT_EQ(raw.CompSize, 0u);
  EXPECT_EQ(Text(pak.ReadStored(0)), raw76);
  EXPECT_EQ(Text(pak.ReadEntry(0)), raw76);
  EXPECT_EQ(Text(pak.ReadEntry(1)), text);
  EXPECT_NE(Text(pak.ReadStored(1)), text);  // the stored bytes are the stream
  EXPECT_FALSE(pak.ReadEntry(2));
  EXPECT_TRUE(pak.VerifyEntry(0));
  EXPECT_TRUE(pak.VerifyEntry(1));
  EXPECT_FALSE(pak.VerifyEntry(2));
  for (int bad : {-1, 3, 1000}) {
    EXPECT_FALSE(pak.ReadEntry(bad));
    EXPECT_FALSE(pak.ReadStored(bad));
    EXPECT_FALSE(pak.VerifyEntry(bad));
  }
  EXPECT_TRUE(boxes.empty());
}

TEST_F(PakRead, TheChecksumCoversTheStoredBytesOnly) {
  std::string text(4000, 'q');
  HandEntry overContent = CompressedEntry("c", text, 0);
  overContent.crcOverride = true;
  overContent.crc = crc32(0, reinterpret_cast<const Bytef*>(text.data()), text.size());
  HandEntry wrong = StoredEntry("w", "abc", 0);
  wrong.crcOverride = true;
  wrong.crc = 1;
  TPak pak = Open(BuildPackage({CompressedEntry("ok", text, 0), overContent, wrong}));
  EXPECT_TRUE(pak.VerifyEntry(0));
  EXPECT_FALSE(pak.ReadEntry(1));
  EXPECT_FALSE(pak.ReadStored(2));
  EXPECT_FALSE(pak.VerifyEntry(2));
  EXPECT_EQ(pak.DiagnoseEntry(2), "checksum mismatch");
  EXPECT_TRUE(boxes.empty());  // a checksum failure shows nothing
}

TEST_F(PakRead, AnInflatedLengthOtherThanOrigSizeShowsTheMessage) {
  HandEntry e = CompressedEntry("data\\x.bin", std::string(500, 'z'), 0);
  e.origSize = 501;
  TPak pak = Open(BuildPackage({e}));
  EXPECT_FALSE(pak.ReadEntry(0));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "Error: data\\x.bin\r\rError: DecompSize - 500 OrigSize - 501");
  EXPECT_EQ(pak.DiagnoseEntry(0), "inflated length 500 differs from OrigSize 501");
  EXPECT_EQ(boxes.size(), 1u);  // the diagnosis shows nothing
}

TEST_F(PakRead, AStreamZlibRejectsRaisesError) {
  HandEntry e = StoredEntry("bad", "this is no zlib stream", 0);
  e.compSize = static_cast<uint32_t>(e.stored.size());
  e.origSize = 100;
  TPak pak = Open(BuildPackage({e}));
  try {
    pak.VerifyEntry(0);
    ADD_FAILURE();
  } catch (const platform::ESetupError& error) {
    EXPECT_STREQ(error.what(), "error");
  }
  EXPECT_EQ(pak.DiagnoseEntry(0), "zlib stream rejected");
}

TEST_F(PakRead, NothingIsReadFromOutsideTheFile) {
  HandEntry beyond = StoredEntry("beyond", "abcdef", 0);
  beyond.offsetOverride = true;
  beyond.offset = 0xFFFFFF00u;
  HandEntry longer = StoredEntry("longer", "abc", 0);
  longer.origSize = 0x7FFFFFFF;  // far more than the file holds
  TPak pak = Open(BuildPackage({beyond, longer}));
  EXPECT_FALSE(pak.ReadEntry(0));
  EXPECT_FALSE(pak.ReadEntry(1));
  EXPECT_EQ(pak.DiagnoseEntry(0), "stored bytes lie beyond the end of the file");
}

TEST_F(PakRead, ATruncatedTableKeepsItsWholeRecords) {
  Bytes bytes = BuildPackage({StoredEntry("a", "1", 1), StoredEntry("b", "2", 1)}, {}, 5);
  TPak pak = Open(bytes);
  EXPECT_FALSE(pak.TableComplete());
  ASSERT_EQ(pak.Count(), 2u);  // the header says 5; the rest of the file is the header
  EXPECT_EQ(pak.Header().FileCount, 5);
  pak.Close();  // an open package shuts writers out (Windows)
  TPak whole = Open(BuildPackage({StoredEntry("a", "1", 1)}));
  EXPECT_TRUE(whole.TableComplete());
}

TEST_F(PakRead, FindEntryMatchesNamesWithoutCaseWithinItsGroup) {
  TPak pak =
      Open(BuildPackage({StoredEntry("Other", "o", 0), StoredEntry("SetupInfo", "first", 0),
                         StoredEntry("SETUPINFO", "second", 0), StoredEntry("SetupInfo", "group one", 1)}));
  struct Case {
    const char* name;
    uint16_t group;
    std::string content;
  } cases[] = {
      {"setupinfo", 0, "first"},
      {"SetupInfo", 1, "group one"},
      {"setupinfo", 2, "<nothing>"},
      {"Setup", 0, "<nothing>"},
  };
  for (const auto& c : cases) EXPECT_EQ(Text(pak.FindEntry(c.name, c.group).Data), c.content);
  EXPECT_EQ(pak.FindEntry("setupinfo", 0).Size, 5u);
  EXPECT_EQ(pak.FindEntry("nothing", 0).Size, 0u);
}

TEST_F(PakRead, GroupWalksShareOneCursor) {
  TPak pak =
      Open(BuildPackage({StoredEntry("g0", "0", 0), StoredEntry("a", "A", 1), StoredEntry("b", "BB", 2),
                         StoredEntry("c", "CCC", 1), StoredEntry("d", "D", 2)}));
  TGroupItem item = pak.FirstInGroup(1, true);
  EXPECT_EQ(item.Name, "a");
  EXPECT_EQ(Text(item.Data), "A");
  EXPECT_EQ(pak.Cursor(), 2);
  item = pak.NextInGroup(1, false);
  EXPECT_EQ(item.Name, "c");
  EXPECT_EQ(item.Size, 3u);
  EXPECT_FALSE(item.Data);
  for (int again = 0; again < 2; ++again) {  // the end of the walk leaves the cursor
    item = pak.NextInGroup(1, true);
    EXPECT_EQ(item.Name, "");
    EXPECT_EQ(item.Size, 0u);
    EXPECT_FALSE(item.Data);
    EXPECT_EQ(pak.Cursor(), 4);
  }
  // Another group's walk continues from the shared cursor.
  EXPECT_EQ(pak.NextIndexInGroup(2), std::optional<int>(4));
  EXPECT_EQ(pak.FirstIndexInGroup(2), std::optional<int>(2));
  EXPECT_EQ(pak.NextIndexInGroup(2), std::optional<int>(4));
  EXPECT_EQ(pak.NextIndexInGroup(2), std::nullopt);

  std::vector<int> seen;
  pak.ForEachInGroup(1, [&](int index) { seen.push_back(index); });
  EXPECT_EQ(seen, (std::vector<int>{1, 3}));
  pak.ForEachInGroup(1, nullptr);
  EXPECT_EQ(pak.CountGrouped(), 4);
  EXPECT_EQ(pak.CountInGroup(2), 2);
  EXPECT_EQ(pak.CountInGroup(7), 0);
}

}  // namespace
