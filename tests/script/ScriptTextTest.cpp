#include "script/ZTI_ScriptText.h"

#include <gtest/gtest.h>

#include "script/ZTI_CommandTable.h"

namespace {

struct Stored {
  int32_t command;
  int32_t lineNo;
  std::vector<std::string> params;
};

std::vector<Stored> Parse(std::string_view text) {
  TCompLines lines;
  auto fault = ParseScriptText(text, lines);
  EXPECT_FALSE(fault) << (fault ? fault->text : "");
  std::vector<Stored> out;
  for (const TCompLine& line : lines.Lines) out.push_back({line.Command, line.LineNo, line.Params});
  return out;
}

void ExpectLines(std::string_view text, const std::vector<Stored>& expected) {
  const std::vector<Stored> got = Parse(text);
  ASSERT_EQ(got.size(), expected.size()) << text;
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].command, expected[i].command) << text << " line " << i;
    EXPECT_EQ(got[i].lineNo, expected[i].lineNo) << text << " line " << i;
    EXPECT_EQ(got[i].params, expected[i].params) << text << " line " << i;
  }
}

TEST(ScriptText, SplitsLinesIntoKeywordAndParameters) {
  const int32_t kFile = CommandNumberOf("file");
  const int32_t kGoto = CommandNumberOf("goto");
  const int32_t kMessageBox = CommandNumberOf("messagebox");
  ExpectLines("", {});
  ExpectLines("file a.txt sub", {{kFile, 0, {"a.txt", "sub"}}});
  // tabs and runs of blanks separate; keywords ignore case; CR LF and a last line
  // without an end both work
  ExpectLines("FILE\t a.txt \t sub  \r\nGoTo end", {{kFile, 0, {"a.txt", "sub"}}, {kGoto, 1, {"end"}}});
  // quotes keep blanks and may be empty; a quote inside a word is kept
  ExpectLines("messagebox \"Install now?\" \"\" ok 0", {{kMessageBox, 0, {"Install now?", "", "ok", "0"}}});
  ExpectLines("file say\"what a.txt", {{kFile, 0, {"say\"what", "a.txt"}}});
  // empty lines and comments are stored as -1, labels as 0 with their name
  ExpectLines(
      "\n  \n; comment\n   ; indented\nstart:\ngoto start\n",
      {{-1, -1, {}}, {-1, -1, {}}, {-1, -1, {}}, {-1, -1, {}}, {0, 4, {"start"}}, {kGoto, 5, {"start"}}});
  // a packaging-only command keeps its number until the packaging steps have run
  ExpectLines("name \"Demo 1.0\"", {{CommandNumberOf("name"), 0, {"Demo 1.0"}}});
  // 8-bit bytes pass unchanged; a UTF-8 text with a byte-order mark is converted
  ExpectLines("message caf\xE9", {{CommandNumberOf("message"), 0, {"caf\xE9"}}});
  ExpectLines("\xEF\xBB\xBFmessage caf\xC3\xA9", {{CommandNumberOf("message"), 0, {"caf\xE9"}}});
  ExpectLines("failure", {{CommandNumberOf("failure"), 0, {}}});
}

TEST(ScriptText, NamesTheLineAndTheFault) {
  struct Case {
    std::string text;
    int32_t line;
    std::string fault;
  } cases[] = {
      {"name x\nfrobnicate a b", 2, "unknown command \"frobnicate\""},
      {"end: goto x", 1, "unknown command \"end:\" (a label stands alone on its line)"},
      {":", 1, "a label needs a name before the \":\""},
      {"\n\niffileexists a b", 3, "\"iffileexists\" needs at least 3 parameters, found 2"},
      {"goto", 1, "\"goto\" needs at least 1 parameter, found 0"},
      {"message \"open", 1, "missing closing quote in parameter 1"},
      {"message \"a\"b", 1, "text right after a closing quote (put a blank between parameters)"},
      {"\"goto\" x", 1, "unknown command \"goto\""},
      {"message " + std::string(65536, 'x'), 1, "parameter 1 is longer than 65535 bytes"},
  };
  for (const auto& c : cases) {
    TCompLines lines;
    lines.Lines.resize(3);
    const auto fault = ParseScriptText(c.text, lines);
    ASSERT_TRUE(fault) << c.text.substr(0, 40);
    EXPECT_EQ(fault->line, c.line) << c.text.substr(0, 40);
    EXPECT_EQ(fault->text, c.fault);
    EXPECT_TRUE(lines.Lines.empty());
  }
}

TEST(ScriptText, HoldsAtMost65535Lines) {
  TCompLines lines;
  EXPECT_FALSE(ParseScriptText(std::string(65535, '\n'), lines));
  EXPECT_EQ(lines.Count(), 65535);
  const auto fault = ParseScriptText(std::string(65535, '\n') + "x", lines);
  ASSERT_TRUE(fault);
  EXPECT_EQ(fault->line, 65536);
  EXPECT_EQ(fault->text, "too many lines (a script holds at most 65535)");
}

TEST(ScriptText, ParameterOfExactly65535BytesIsAccepted) {
  TCompLines lines;
  EXPECT_FALSE(ParseScriptText("message " + std::string(65535, 'x'), lines));
  ASSERT_EQ(lines.Count(), 1);
  EXPECT_EQ(lines.Lines[0].Params[0].size(), 65535u);
}

}  // namespace
