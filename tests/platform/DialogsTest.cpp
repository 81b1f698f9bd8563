#include "platform/Dialogs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Files.h"
#include "support/TestMachine.h"

namespace platform {
namespace {

struct ThrownStatus {
  int status;
};

// Restores the default handlers after each test.
class DialogsTest : public testing::Test {
 protected:
  void TearDown() override {
    SetMessageBoxHandler(nullptr);
    SetEndProcessHandler(nullptr);
    SetOpenDocumentHandler(nullptr);
    SetListChoiceHandler(nullptr);
  }
};

// With no one to ask, nothing is chosen for the user: the question and the rows go to
// stderr (UTF-8 as given, carriage returns as line ends) and the answer is "cancelled".
TEST_F(DialogsTest, TheDefaultListChoicePrintsTheRowsAndChoosesNothing) {
  testing::internal::CaptureStderr();
  const std::optional<size_t> chosen =
      ShowListChoice("Pick one:\rof two", "Wine prefix", {"/home/j\xC3\xBC/.wine\tWine", "/pfx\tSteam"});
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Wine prefix: Pick one:\nof two\n/home/j\xC3\xBC/.wine\tWine\n/pfx\tSteam\n");
  EXPECT_EQ(chosen, std::nullopt);

  std::vector<std::string> shown;
  SetListChoiceHandler([&](const std::string&, const std::string&, const std::vector<std::string>& items) {
    shown = items;
    return std::optional<size_t>(1);
  });
  EXPECT_EQ(ShowListChoice("Pick one:", "Wine prefix", {"a", "b"}), std::optional<size_t>(1));
  EXPECT_EQ(shown, (std::vector<std::string>{"a", "b"}));
}

TEST_F(DialogsTest, TheDefaultBoxPrintsCaptionAndTextAndTakesTheHarmlessAnswer) {
  const struct {
    MessageButtons buttons;
    MessageResult answer;
  } cases[] = {{MessageButtons::Ok, MessageResult::Ok},
               {MessageButtons::OkCancel, MessageResult::Ok},
               {MessageButtons::YesNo, MessageResult::Yes},
               {MessageButtons::RetryCancel, MessageResult::Cancel}};
  for (const auto& test : cases) {
    testing::internal::CaptureStderr();
    const MessageResult answer =
        ShowMessageBox(std::string("Line one\r\rLine \xE9\r\nend"), std::string("Setup Error"), test.buttons);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Setup Error: Line one\n\nLine \xC3\xA9\nend\n");
    EXPECT_EQ(answer, test.answer);
  }
}

TEST_F(DialogsTest, AnInstalledHandlerAnswersUntilItIsRemoved) {
  std::u16string seenText, seenCaption;
  SetMessageBoxHandler(
      [&](const std::u16string& text, const std::u16string& caption, MessageButtons, MessageIcon) {
        seenText = text;
        seenCaption = caption;
        return MessageResult::No;
      });
  EXPECT_EQ(ShowMessageBox(u"Question \u20AC", u"Caption", MessageButtons::YesNo), MessageResult::No);
  EXPECT_EQ(seenText, u"Question \u20AC");
  EXPECT_EQ(ShowMessageBox(std::string("\x80"), std::string("c")), MessageResult::No);
  EXPECT_EQ(seenText, u"\u20AC");
  SetMessageBoxHandler(nullptr);
  testing::internal::CaptureStderr();
  EXPECT_EQ(ShowMessageBox(u"t", u"c", MessageButtons::YesNo), MessageResult::Yes);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "c: t\n");
}

TEST_F(DialogsTest, FatalAppExitShowsTheMessageCaptionedErrorAndEndsWithTheFatalStatus) {
  std::u16string caption, text;
  SetMessageBoxHandler([&](const std::u16string& t, const std::u16string& c, MessageButtons, MessageIcon) {
    text = t;
    caption = c;
    return MessageResult::Ok;
  });
  SetEndProcessHandler([](int status) { throw ThrownStatus{status}; });
  try {
    FatalAppExit("Package is damaged");
    FAIL() << "FatalAppExit returned";
  } catch (const ThrownStatus& thrown) {
    EXPECT_EQ(thrown.status, kExitFatalStop);
  }
  EXPECT_EQ(caption, u"Error");
  EXPECT_EQ(text, u"Package is damaged");
}

TEST_F(DialogsTest, EndProcessFlushesPendingOutputAndExitsWithTheStatus) {
  // A death test may run in a fresh copy of the test program, so the file's name
  // must be the same in both: the host's temporary folder, not a prefix's (the default
  // prefix would be the machine's own).
  const std::string out = testing::TempDir() + "se-end-process-test.txt";
  EXPECT_EXIT(
      {
        if (!std::freopen(out.c_str(), "w", stdout)) std::abort();
        std::printf("pending output");
        EndProcess(kExitCancelled);
      },
      testing::ExitedWithCode(kExitCancelled), "");
  std::ifstream in(out);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "pending output");
  in.close();
  std::remove(out.c_str());
}

TEST_F(DialogsTest, OpenDocumentGoesToTheInstalledHandler) {
  std::string opened;
  SetOpenDocumentHandler([&](const std::string& path) { opened = path; });
  OpenDocument("C:\\Games\\readme.txt");
  EXPECT_EQ(opened, "C:\\Games\\readme.txt");
}

}  // namespace
}  // namespace platform
