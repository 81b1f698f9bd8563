// The VDF/ACF reader: the forms Steam writes, and the damaged and hostile files a
// standard user can leave in a Steam folder.
#include <gtest/gtest.h>

#include <string>

#include "stores/Vdf.h"

namespace {

// The pairs as "a/b=value" lines, blocks as "a/b{".
void Flatten(const TVdfNode& node, const std::string& path, std::string& out) {
  for (const TVdfNode& child : node.Children) {
    const std::string at = path.empty() ? child.Key : path + "/" + child.Key;
    if (!child.IsBlock) {
      out += at + "=" + child.Value + "\n";
      continue;
    }
    out += at + "{\n";
    Flatten(child, at, out);
  }
}

std::string Flat(std::string_view text) {
  const TVdfResult result = ParseVdf(text);
  if (!result.Root) return "error: " + result.Error;
  std::string out;
  Flatten(*result.Root, "", out);
  return out;
}

TEST(Vdf, ReadsWhatSteamWrites) {
  struct Case {
    const char* name;
    std::string text;
    std::string flat;
  } cases[] = {
      {"library list of today",
       "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"/home/u/.local/share/"
       "Steam\"\n\t\t\"apps\"\n\t\t{\n"
       "\t\t\t\"228980\"\t\t\"29212173\"\n\t\t}\n\t}\n}\n",
       "libraryfolders{\nlibraryfolders/0{\nlibraryfolders/0/path=/home/u/.local/share/Steam\n"
       "libraryfolders/0/apps{\nlibraryfolders/0/apps/228980=29212173\n"},
      {"older library list with escaped backslashes",
       "\"LibraryFolders\"\r\n{\r\n\t\"TimeNextStatsReport\"\t\t\"1\"\r\n\t\"1\"\t\t\"D:"
       "\\\\SteamLibrary\"\r\n}\r\n",
       "LibraryFolders{\nLibraryFolders/TimeNextStatsReport=1\nLibraryFolders/1=D:\\SteamLibrary\n"},
      {"escapes", R"("k" "a\"b\tc\nd")", "k=a\"b\tc\nd\n"},
      {"bare words, comments and conditions",
       "// a comment\nkey value [$WIN32]\nblock { inner \"x\" } // end\n",
       "key=value\nblock{\nblock/inner=x\n"},
      {"byte-order mark and empty file", "\xEF\xBB\xBF", ""},
      {"empty strings", R"("" "")", "=\n"},
      {"unclosed quote", "\"k\" \"value", "error: line 1: a quoted string is not closed"},
      {"unclosed block", "\"a\"\n{\n\"b\" \"c\"\n", "error: line 4: a block is not closed"},
      {"stray brace", "\"a\" \"b\"\n}", "error: line 2: a \"}\" closes no block"},
      {"key without value", "\"a\" \"b\" \"c\"", "error: line 1: the key \"c\" has no value"},
      {"block as key", "{ \"a\" \"b\" }", "error: line 1: a key was expected"},
      {"key then brace", "\"a\" }", "error: line 1: the key \"a\" has no value"},
  };
  for (const Case& c : cases) EXPECT_EQ(Flat(c.text), c.flat) << c.name;
}

TEST(Vdf, RefusesFilesBeyondItsBounds) {
  std::string deep;
  for (int i = 0; i <= kVdfMaxDepth; ++i) deep += "a {\n";
  EXPECT_EQ(Flat(deep).rfind("error: line 33: blocks nest deeper than 32", 0), 0u) << Flat(deep);
  std::string atLimit;
  for (int i = 0; i < kVdfMaxDepth; ++i) atLimit += "a { ";
  for (int i = 0; i < kVdfMaxDepth; ++i) atLimit += "} ";
  EXPECT_EQ(Flat(atLimit).rfind("error", 0), std::string::npos);
  EXPECT_EQ(Flat(std::string(kVdfMaxBytes + 1, ' ')), "error: larger than 4194304 bytes");
  std::string many;
  for (size_t i = 0; i <= kVdfMaxPairs; ++i) many += "a b\n";
  EXPECT_NE(Flat(many).find("more than 200000 pairs"), std::string::npos);
}

TEST(Vdf, LooksUpKeysWithoutRegardToCase) {
  const TVdfResult result = ParseVdf("\"AppState\" { \"appid\" \"440\" \"InstallDir\" \"TF2\" \"sub\" { } }");
  ASSERT_TRUE(result.Root);
  const TVdfNode* state = result.Root->Child("appstate");
  ASSERT_TRUE(state);
  EXPECT_EQ(state->ValueOf("INSTALLDIR"), "TF2");
  EXPECT_EQ(state->ValueOf("sub"), std::nullopt);  // a block, not a string
  EXPECT_EQ(state->ValueOf("missing"), std::nullopt);
}

}  // namespace
