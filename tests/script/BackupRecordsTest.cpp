// What an add-on keeps in its backup folder: mirrored paths that never leave the
// folder, the stamps of what it wrote, and the old data of registry values.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

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
  for (const char* text :
       {"", "12", "12 ", " 0123456789abcdef0123456789abcdef", "1 0123456789abcdef0123456789abcde",
        "1 0123456789abcdef0123456789abcdeg", "x 0123456789abcdef0123456789abcdef",
        "18446744073709551616 0123456789abcdef0123456789abcdef"})
    EXPECT_FALSE(ParseStamp(text)) << text;
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
