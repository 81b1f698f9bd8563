// What an add-on keeps in its backup folder: mirrored paths that never leave the
// folder, the stamps of what it wrote, and the old data of registry values.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "script/SE_MadeFileStamps.h"
#include "script/SE_RegistryOldValues.h"
#include "script/SE_RunChanges.h"
#include "script/SE_WrittenRecords.h"

namespace {

TEST(BackupRecords, MirroredPathsStayInsideTheirFolder) {
  struct Case {
    const char* folded;
    const char* mirrored;
  } cases[] = {
      {"$INSTDIRbin\\x.dll", "B:\\k\\INSTDIRbin\\x.dll"},
      {"C:\\Windows\\x.dll", "B:\\k\\C\\Windows\\x.dll"},
      {"$INSTDIR..\\..\\victim.txt", "B:\\k\\~494E53544449522E2E\\~2E2E\\victim.txt"},
      {"$INSTDIRa/../../x", "B:\\k\\INSTDIRa\\~2E2E\\~2E2E\\x"},
      {"C:..\\x", "B:\\k\\~432E2E\\x"},
      {"\\\\server\\share\\..\\x", "B:\\k\\server\\share\\~2E2E\\x"},
      {"$INSTDIRa\\.\\ . \\x", "B:\\k\\INSTDIRa\\~2E\\~202E20\\x"},
      {"$INSTDIRa\\~run\\x", "B:\\k\\INSTDIRa\\~7E72756E\\x"},
      {"~run\\x", "B:\\k\\~7E72756E\\x"},
      {"$INSTDIRPROGRA~1\\x", "B:\\k\\INSTDIRPROGRA~1\\x"},
  };
  for (const Case& c : cases) EXPECT_EQ(MirrorPath("B:\\k", c.folded), c.mirrored) << c.folded;
}

TEST(BackupRecords, StampsReadBackAndNothingElseReadsAsOne) {
  TFileStamp stamp;
  stamp.size = 18446744073709551615u;
  for (size_t i = 0; i < stamp.digest.size(); ++i) stamp.digest[i] = static_cast<uint8_t>(i * 17);
  EXPECT_EQ(ParseStamp(FormatStamp(stamp)), stamp);
  const std::string check = "123456789";  // the check string of both digests
  const auto bytes = reinterpret_cast<const uint8_t*>(check.data());
  EXPECT_EQ(FormatStamp(StampOfBytes(bytes, check.size(), TStampDigest::Crc32)), "9 cbf43926");
  EXPECT_EQ(FormatStamp(StampOfBytes(bytes, check.size(), TStampDigest::Md5)),
            "9 25f9e794323b453885f5181f1b624d0b");
  EXPECT_EQ(FormatStamp(StampOfBytes(nullptr, 0, TStampDigest::Crc32)), "0 00000000");
  for (const TStampDigest kind : {TStampDigest::Md5, TStampDigest::Crc32}) {
    const TFileStamp of = StampOfBytes(bytes, check.size(), kind);
    EXPECT_EQ(ParseStamp(FormatStamp(of)), of);
  }
  for (const char* text :
       {"", "12", "12 ", " 0123456789abcdef0123456789abcdef", "1 0123456789abcdef0123456789abcde",
        "1 0123456789abcdef0123456789abcdeg", "x 0123456789abcdef0123456789abcdef",
        "18446744073709551616 0123456789abcdef0123456789abcdef", "1 0123456", "1 0123456789", "1 0123456G",
        "1 01234567 "})
    EXPECT_FALSE(ParseStamp(text)) << text;
}

TEST(BackupRecords, MadeFileStampsReadBackWhateverPathsTheyHold) {
  const std::string check = "content";
  const TFileStamp crc =
      StampOfBytes(reinterpret_cast<const uint8_t*>(check.data()), check.size(), TStampDigest::Crc32);
  TFileStamp md5 = crc;
  md5.kind = TStampDigest::Md5;
  TMadeFileStamps stamps;
  stamps.Set("$INSTDIR\\Maps\\harbour.map", crc);
  stamps.Set("$INSTDIR\\with\ttab.txt", md5);
  stamps.Set("$INSTDIR\\Karten \xc4\xd6.txt", crc);
  stamps.Set("$INSTDIR\\line\nbreak.txt", crc);  // a record line could not carry it
  stamps.Set("$INSTDIR\\gone.txt", crc);
  stamps.Erase("$instdir\\GONE.txt");
  const platform::Result<TMadeFileStamps> back = TMadeFileStamps::Parse(stamps.Serialize());
  ASSERT_TRUE(back) << back.Problem();
  EXPECT_EQ(back->Count(), 3u);
  EXPECT_EQ(back->Find("$instdir\\maps\\HARBOUR.MAP"), crc);
  EXPECT_EQ(back->Find("$INSTDIR\\with\ttab.txt"), md5);
  EXPECT_EQ(back->Find("$INSTDIR\\Karten \xc4\xd6.txt"), crc);
  EXPECT_FALSE(back->Find("$INSTDIR\\line\nbreak.txt"));
  EXPECT_FALSE(back->Find("$INSTDIR\\gone.txt"));
  EXPECT_TRUE(TMadeFileStamps::Parse("made files 1\n"));
}

TEST(BackupRecords, ADamagedMadeFileRecordIsRefusedWhole) {
  struct Case {
    const char* text;
    const char* problem;
  } cases[] = {
      {"", "it does not begin with \"made files 1\""},
      {"made files 2\n7 01234567\ta.txt\n", "it does not begin with \"made files 1\""},
      {"7 01234567\ta.txt\n", "it does not begin with \"made files 1\""},
      {"made files 1\n7 01234567\ta.txt", "its last line is cut short"},
      {"made files 1\n7 01234567\ta.txt\n7 01234567\n", "line 3 has no path after a tab"},
      {"made files 1\n7 01234567\t\n", "line 2 has no path after a tab"},
      {"made files 1\n\n", "line 2 has no path after a tab"},
      {"made files 1\n7 0123456x\ta.txt\n", "line 2 does not begin with a size and a digest"},
      {"made files 1\n-7 01234567\ta.txt\n", "line 2 does not begin with a size and a digest"},
      {"made files 1\n7  01234567\ta.txt\n", "line 2 does not begin with a size and a digest"},
      {"made files 1\n7 01234567\ta.txt\r\n", "line 2 holds a carriage return"},
  };
  for (const Case& c : cases) {
    const platform::Result<TMadeFileStamps> parsed = TMadeFileStamps::Parse(c.text);
    EXPECT_FALSE(parsed) << c.text;
    EXPECT_EQ(parsed.Problem(), c.problem) << c.text;
  }
}

TEST(BackupRecords, OldRegistryValuesReadBackWhateverTheyHold) {
  const std::vector<TOldRegistryValue> values = {
      {1, "Software\\Game", "Language", "English", "Czech"},
      {0, "Software\\Tabs\tand\nlines", "100%\r", "a\tb%09c", ""},
      {2, "proto\\shell\\open\\command\\", "", "", "\"C:\\x.exe\" \"%1\""},
      {1, "Software\\Game", "Made", std::nullopt, "absent"},
      {1, "Software\\Game", "Empty", "", "absent"},
  };
  const std::vector<TOldRegistryValue> back = ParseOldRegistryValues(SerializeOldRegistryValues(values));
  ASSERT_EQ(back.size(), values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(back[i].root, values[i].root);
    EXPECT_EQ(back[i].key, values[i].key);
    EXPECT_EQ(back[i].name, values[i].name);
    EXPECT_EQ(back[i].oldData, values[i].oldData);
    EXPECT_EQ(back[i].written, values[i].written);
  }
  EXPECT_EQ(RegistryValueId(1, "SOFTWARE\\Game\\", "LANGUAGE"),
            RegistryValueId(1, "software\\game", "language"));
  EXPECT_NE(RegistryValueId(0, "Software\\Game", "Language"),
            RegistryValueId(1, "Software\\Game", "Language"));
  EXPECT_TRUE(ParseOldRegistryValues("9\tk\tn\to\tw\n1\tonly four\tfields\tx\n").empty());
  // A made value's line carries no old data and says so in a sixth field; a reader of
  // five fields passes it over, and a sixth field of anything else is no record.
  EXPECT_EQ(SerializeOldRegistryValues({{1, "k", "n", std::nullopt, "w"}}), "1\tk\tn\t\tw\tabsent\n");
  EXPECT_TRUE(ParseOldRegistryValues("1\tk\tn\to\tw\tabsent\n1\tk\tn\t\tw\tgone\n1\tk\tn\t\tw\t\n").empty());
}

}  // namespace
