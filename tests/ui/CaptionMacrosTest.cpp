// Caption macros: a macro shows its variable's value at the moment the caption is made;
// a line that names an optional macro with nothing to show is left out whole, so a page
// says where the game was found only when it was found.
#include <gtest/gtest.h>

#include <string>

#include "platform/CodePage.h"
#include "script/SE_GameFoundIn.h"
#include "ui/SE_LanguageStrings.h"

namespace {

std::string Expanded(const TLanguageStrings& strings, const std::string& text) {
  return platform::WideToUtf8(strings.ExpandCaptionMacros(platform::Utf8ToWide(text)));
}

TEST(CaptionMacros, AnOptionalMacroWithoutValueTakesItsLineAlong) {
  struct Case {
    const char* name;
    std::string value;
    std::string text;
    std::string shown;
  } cases[] = {
      {"found", "GOG", "Found in <%FOUND%>.", "Found in GOG."},
      {"found, case of the key ignored", "GOG", "Found in <%found%>.", "Found in GOG."},
      {"nothing found, the only line", "", "Found in <%FOUND%>.", ""},
      {"nothing found, a first line", "", "Found in <%FOUND%>.\rSpace 5 MB", "Space 5 MB"},
      {"nothing found, a middle line", "", "Title\rFound in <%FOUND%>.\rSpace 5 MB", "Title\rSpace 5 MB"},
      {"nothing found, the last line", "", "Title\rFound in <%FOUND%>.", "Title"},
      {"nothing found, named twice", "", "A <%FOUND%>\rB\rC <%FOUND%>", "B"},
      {"a plain macro keeps its line", "", "Space <%PLAIN%>\rB", "Space \rB"},
  };
  for (const Case& c : cases) {
    std::string value = c.value;
    std::string plain;
    TLanguageStrings strings;
    strings.AddOptionalMacro("<%FOUND%>", &value);
    strings.AddMacro("<%PLAIN%>", &plain);
    EXPECT_EQ(Expanded(strings, c.text), c.shown) << c.name;
  }
}

// The program's own table: the text follows the variable start-up fills in.
TEST(CaptionMacros, GameFoundInFollowsWhatStartupFound) {
  const std::string before = GameFoundIn();
  GameFoundIn().clear();
  EXPECT_EQ(Expanded(LanguageStrings(), "Pick a folder\rThe game was found by <%GAMEFOUNDIN%>."),
            "Pick a folder");
  GameFoundIn() = "Steam, D:\\SteamLibrary";
  EXPECT_EQ(Expanded(LanguageStrings(), "The game was found by <%GAMEFOUNDIN%>."),
            "The game was found by Steam, D:\\SteamLibrary.");
  GameFoundIn() = before;
}

}  // namespace
