// The store directives: read from the script into their own package entry, so the
// compiled script keeps its form, and read back by a setup that trusts nothing in it.
#include <gtest/gtest.h>

#include "script/ZTI_GameStores.h"
#include "script/ZTI_ScriptText.h"

namespace {

TGameStoreIds Loaded(const std::string& text) {
  return LoadGameStoreIds(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

TEST(GameStores, DirectivesLeaveNothingToRunInTheCompiledScript) {
  TCompLines lines;
  TGameStoreIds ids;
  const auto fault = ParseScriptText(
      "name Harbour\nSteamAppId 1234560 1234561\ngoggameid 1207658924\nsteamappid 1234560\nmessage hi\n",
      lines, &ids);
  ASSERT_FALSE(fault) << fault->text;
  ASSERT_EQ(lines.Lines.size(), 5u);
  for (size_t i : {1u, 2u, 3u}) {
    EXPECT_EQ(lines.Lines[i].Command, -1) << i;
    EXPECT_EQ(lines.Lines[i].LineNo, -1) << i;
    EXPECT_TRUE(lines.Lines[i].Params.empty()) << i;
  }
  EXPECT_EQ(ids.SteamAppIds, (std::vector<std::string>{"1234560", "1234561"}));
  EXPECT_EQ(ids.GogGameIds, (std::vector<std::string>{"1207658924"}));
}

TEST(GameStores, RefusesIdsThatAreNoIds) {
  struct Case {
    const char* script;
    const char* fault;
  } cases[] = {
      {"steamappid", "\"steamappid\" needs at least 1 parameter, found 0"},
      {"goggameid ../../x", "\"goggameid\" takes decimal ids (1 to 20 digits), not \"../../x\""},
      {"steamappid 12 4a", "\"steamappid\" takes decimal ids (1 to 20 digits), not \"4a\""},
      {"steamappid 123456789012345678901",
       "\"steamappid\" takes decimal ids (1 to 20 digits), not \"123456789012345678901\""},
      {"steamappid \"\"", "\"steamappid\" takes decimal ids (1 to 20 digits), not \"\""},
  };
  for (const Case& c : cases) {
    TCompLines lines;
    TGameStoreIds ids;
    const auto fault = ParseScriptText(c.script, lines, &ids);
    ASSERT_TRUE(fault) << c.script;
    EXPECT_EQ(fault->line, 1) << c.script;
    EXPECT_EQ(fault->text, c.fault) << c.script;
  }
}

TEST(GameStores, TheEntryRoundTripsAndSkipsWhatItDoesNotKnow) {
  TGameStoreIds ids;
  ids.SteamAppIds = {"440", "1234560"};
  ids.GogGameIds = {"1207658924"};
  const std::vector<uint8_t> bytes = SaveGameStoreIds(ids);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
            "steamappid 440\nsteamappid 1234560\ngoggameid 1207658924\n");
  const TGameStoreIds back = LoadGameStoreIds(bytes.data(), bytes.size());
  EXPECT_EQ(back.SteamAppIds, ids.SteamAppIds);
  EXPECT_EQ(back.GogGameIds, ids.GogGameIds);

  const TGameStoreIds hostile = Loaded(
      "epicid abc\r\nsteamappid ..\\..\\x\nsteamappid 70\r\ngoggameid\nsteamappid 70\ngoggameid 5 6\n"
      "STEAMAPPID 80\nsteamappid 90");
  EXPECT_EQ(hostile.SteamAppIds, (std::vector<std::string>{"70", "80", "90"}));
  EXPECT_TRUE(hostile.GogGameIds.empty());
  EXPECT_TRUE(Loaded("").Empty());
  EXPECT_TRUE(LoadGameStoreIds(nullptr, 12).Empty());
}

}  // namespace
