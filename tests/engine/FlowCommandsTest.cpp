// The flow and message commands on the setup thread: where each jump continues, the
// question a messagebox asks (answered on the test's own thread while the setup
// thread waits), and the texts message and failure show.
#include <gtest/gtest.h>

#include "SetupRunFixture.h"
#include "script/ZTI_CompLines.h"

namespace engine_test {
namespace {

using platform::MessageResult;
using Lines = std::vector<std::string>;

// Which of the marker directories a run created.
class FlowTest : public SetupRun {
 protected:
  std::string Branch() {
    std::string taken;
    for (const char* name : {"fell", "yes", "no", "ok", "cancel"})
      if (HostDirExists(std::string("C:\\Games\\Demo\\") + name))
        taken += taken.empty() ? name : std::string("+") + name;
    return taken;
  }
};

TEST_F(FlowTest, IfFileExistsTakesTheBranchOfAFileNotADirectory) {
  const struct {
    const char* path;
    const char* targets;
    const char* branch;
  } cases[] = {
      {"$INSTDIR\\present.txt", "yes no", "yes"},
      {"$instdir\\present.txt", "yes no", "yes"},  // variables ignore case
      {"$INSTDIR\\folder", "yes no", "no"},        // a directory is no file
      {"$INSTDIR\\missing.txt", "yes no", "no"},
      {"$INSTDIR\\present.txt", "0 no", "fell"},  // "0": no jump
      {"$INSTDIR\\missing.txt", "0 0", "fell"},
      {"$INSTDIR\\present.txt", "0 0", "fell"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " " + c.targets);
    Fresh();
    HostWrite("C:\\Games\\Demo\\present.txt", "x");
    HostWrite("C:\\Games\\Demo\\folder\\inside.txt", "x");
    Pack(std::string("iffileexists ") + c.path + " " + c.targets +
         "\n"
         "createdirectory $INSTDIR\\fell\n"
         "goto end\n"
         "yes:\n"
         "createdirectory $INSTDIR\\yes\n"
         "goto end\n"
         "no:\n"
         "createdirectory $INSTDIR\\no\n"
         "end:\n");
    Run();
    EXPECT_EQ(Branch(), c.branch);
  }
}

// OK continues at the OK target, anything else (Cancel, or the window closed, which
// answers Cancel) at the Cancel target; a target of 0 never jumps, and neither does the
// label on line 0. messagebox continues at a numeric target itself.
TEST_F(FlowTest, MessageBoxAsksAndBranchesOnTheAnswer) {
  const struct {
    MessageResult answer;
    const char* targets;
    const char* branch;
  } cases[] = {
      {MessageResult::Ok, "ok cancel", "ok"},    {MessageResult::Cancel, "ok cancel", "cancel"},
      {MessageResult::Cancel, "ok 0", "fell"},   {MessageResult::Ok, "0 cancel", "fell"},
      {MessageResult::Ok, "top cancel", "fell"}, {MessageResult::Ok, "6 cancel", "ok"},  // line 6 itself runs
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.targets);
    Fresh();
    Pack(std::string("top:\n") +                                                 // 0
         "messagebox \"Install into $INSTDIR?\" \"Demo $LANGUAGESELECTION\" " +  // 1
         c.targets + "\n" +
         "createdirectory $INSTDIR\\fell\n"    // 2
         "goto end\n"                          // 3
         "ok:\n"                               // 4
         "message <LANG22>\n"                  // 5
         "createdirectory $INSTDIR\\ok\n"      // 6
         "goto end\n"                          // 7
         "cancel:\n"                           // 8
         "createdirectory $INSTDIR\\cancel\n"  // 9
         "end:\n");                            // 10
    answers_ = {c.answer};
    Run();
    EXPECT_EQ(Branch(), c.branch);
    ASSERT_EQ(asked_.size(), 1u);
    EXPECT_EQ(asked_[0].text, "Install into " + At("C:\\Games\\Demo\\") + "?");
    EXPECT_EQ(asked_[0].caption, "Demo English");
    EXPECT_EQ(asked_[0].buttons, platform::MessageButtons::OkCancel);
    EXPECT_EQ(asked_[0].icon, platform::MessageIcon::Question);
  }
}

TEST_F(FlowTest, GotoContinuesAfterTheLineItNames) {
  Pack(
      "goto 2\n"                            // 0
      "createdirectory $INSTDIR\\no\n"      // 1
      "createdirectory $INSTDIR\\cancel\n"  // 2: named, so not run
      "createdirectory $INSTDIR\\yes\n");   // 3
  Run();
  EXPECT_EQ(Branch(), "yes");
}

TEST_F(FlowTest, MessageShowsLanguageTextsButNoPathVariables) {
  Pack("message <LANG22>\nmessage \"Into $INSTDIR <LANG17>\"\n");
  Run();
  EXPECT_EQ(sink_->events,
            (Lines{"status Creating shortcuts", "status Into $INSTDIR Copying File <%FILENAME%>"}));
}

}  // namespace
}  // namespace engine_test
