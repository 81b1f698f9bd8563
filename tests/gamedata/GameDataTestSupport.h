// Stand-ins for the front end while the game-data updaters run: message boxes that
// are recorded and answered from a list, an end of the process that throws instead,
// and a progress sink that records what the status line and gauge showed.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "script/SE_Progress.h"

namespace gamedata_test {

struct ProcessEnded {
  int status;
};

struct Box {
  std::string caption, text;
  platform::MessageButtons buttons;
};

class Dialogs {
 public:
  Dialogs() {
    platform::SetMessageBoxHandler([this](const std::u16string& text, const std::u16string& caption,
                                          platform::MessageButtons buttons, platform::MessageIcon) {
      boxes.push_back({platform::WideToAnsi(caption), platform::WideToAnsi(text), buttons});
      if (onBox) onBox();
      if (answers.empty()) return platform::MessageResult::Cancel;
      const platform::MessageResult answer = answers.front();
      answers.pop_front();
      return answer;
    });
    platform::SetEndProcessHandler([](int status) { throw ProcessEnded{status}; });
  }
  ~Dialogs() {
    platform::SetMessageBoxHandler({});
    platform::SetEndProcessHandler({});
  }
  std::vector<Box> boxes;
  std::deque<platform::MessageResult> answers;
  std::function<void()> onBox;
};

class Progress : public TProgressSink {
 public:
  Progress() {
    ResetProgressCounterForTests();
    SetProgressSink(this);
  }
  ~Progress() override { SetProgressSink(nullptr); }
  void StatusText(const std::u16string& text) override { status.push_back(platform::WideToAnsi(text)); }
  void FinishText(const std::u16string& text, bool) override { finish.push_back(platform::WideToAnsi(text)); }
  bool HasGauge() const override { return true; }
  void GaugeProgress(int value) override { gauge.push_back(value); }
  std::vector<std::string> status, finish;
  std::vector<int> gauge;
};

}  // namespace gamedata_test

#include "lang/ZTI_Language.h"

namespace gamedata_test {

// Loads a small English table with the updaters' texts as the current language, and
// empties the tables again afterwards.
class Texts {
 public:
  Texts() {
    const std::u16string table =
        u"\xFEFF"
        u"English\r\n0409;\r\n"
        u"19 Processing <%ZTPNAME%>: <%FNUM%> of <%FTOTAL%> files\r\n"
        u"20 Writing header of <%ZTPNAME%>\r\n"
        u"23 Setup failed\r\n"
        u"29 Opening <%ZTPNAME%>\r\n";
    std::vector<uint8_t> bytes;
    for (char16_t c : table) {
      bytes.push_back(uint8_t(c & 0xFF));
      bytes.push_back(uint8_t(c >> 8));
    }
    Languages().Languages.clear();
    Languages().AddLanguage(bytes.data(), bytes.size(), "LANGUAGE-ENGLISH");
    Languages().SelectLanguage(0x0409);
  }
  ~Texts() {
    Languages().Languages.clear();
    Languages().CurrentLanguage = -1;
  }
};

}  // namespace gamedata_test
