// Windows font faces and point sizes as the view shows them, and that the families
// the table names are installed here.
#include <gtest/gtest.h>

#include <string>

#include "support/screen/ScreenSupport.h"
#include "ui/fltk/SE_FltkDialogs.h"
#include "ui/fltk/SE_FltkFonts.h"

namespace {

TEST(Fonts, WindowsFacesMapToInstalledFamilies) {
  struct Case {
    const char* face;
    const char* family;
  };
  const Case cases[] = {
      {"MS Shell Dlg 2", "DejaVu Sans"},
      {"ms shell dlg", "DejaVu Sans"},
      {"Tahoma", "DejaVu Sans"},
      {"  Verdana ", "DejaVu Sans"},
      {"Arial", "Liberation Sans"},
      {"ARIAL", "Liberation Sans"},
      {"Times New Roman", "Liberation Serif"},
      {"Courier New", "Liberation Mono"},
      {"Georgia", "DejaVu Serif"},
      {"Lucida Console", "DejaVu Sans Mono"},
      {"", "DejaVu Sans"},
      {"Comic Sans MS", "Comic Sans MS"},
      {"Caf\xE9", "Caf\xC3\xA9"},  // an unknown 8-bit face goes on as UTF-8
  };
  for (const Case& c : cases) EXPECT_EQ(InstalledFamilyFor(c.face), c.family) << c.face;
}

TEST(Fonts, PointsArePixelsAt96Dpi) {
  struct Case {
    int points, pixels;
  };
  for (const Case c : {Case{8, 11}, Case{9, 12}, Case{10, 13}, Case{12, 16}, Case{14, 19}, Case{0, 11},
                       Case{-3, 11}, Case{1000, 533}})
    EXPECT_EQ(PixelsOfPoints(c.points), c.pixels) << c.points;
}

TEST(Fonts, EveryMappedFamilyIsInstalled) {
  for (const char* face :
       {"MS Shell Dlg 2", "Arial", "Times New Roman", "Courier New", "Georgia", "Lucida Console"}) {
    const std::string family = InstalledFamilyFor(face);
    const screen_test::CommandResult listed = screen_test::Run({"fc-list", family}, "");
    ASSERT_EQ(listed.status, 0) << "fc-list is missing";
    EXPECT_FALSE(listed.out.empty()) << family << " (for " << face << ") is not installed";
  }
}

TEST(Dialogs, ButtonsAndTheAnswerOfAClosedBox) {
  using platform::MessageButtons;
  using platform::MessageResult;
  struct Case {
    MessageButtons buttons;
    std::vector<MessageResult> answers;
    MessageResult closed;
  };
  const Case cases[] = {
      {MessageButtons::Ok, {MessageResult::Ok}, MessageResult::Ok},
      {MessageButtons::OkCancel, {MessageResult::Ok, MessageResult::Cancel}, MessageResult::Cancel},
      {MessageButtons::YesNo, {MessageResult::Yes, MessageResult::No}, MessageResult::No},
      {MessageButtons::RetryCancel, {MessageResult::Retry, MessageResult::Cancel}, MessageResult::Cancel},
  };
  for (const Case& c : cases) {
    std::vector<MessageResult> answers;
    for (const TBoxButton& b : BoxButtons(c.buttons)) answers.push_back(b.result);
    EXPECT_EQ(answers, c.answers);
    EXPECT_EQ(ClosedBoxAnswer(c.buttons), c.closed);
  }
}

}  // namespace
