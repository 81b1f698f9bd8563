// The small windows of the FLTK view: modal message boxes, the list choice, the
// verification window shown while start-up checks the package, and the debug listing.
#pragma once

#include <FL/Fl_Double_Window.H>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

// A modal box in the system's manner: an icon, the text (carriage returns break
// lines, long lines wrap), the buttons centred below ("OK", "Cancel", "Yes", "No",
// "Retry"), the first one focused. Closing it with the window's close button or
// Escape answers Cancel, or No when there is no Cancel, or OK for an OK box. Call on
// the user-interface thread.
platform::MessageResult ShowFltkMessageBox(const std::u16string& text, const std::u16string& caption,
                                           platform::MessageButtons buttons, platform::MessageIcon icon);

// The list choice (platform::ShowListChoice) in a modal window: the question, a list
// with a row per item, OK and Cancel. Call on the user-interface thread.
std::optional<size_t> ShowFltkListChoice(const std::string& text, const std::string& caption,
                                         const std::vector<std::string>& items);

// The buttons a box shows, in order, with the answer each gives.
struct TBoxButton {
  const char* caption;
  platform::MessageResult result;
};
std::vector<TBoxButton> BoxButtons(platform::MessageButtons buttons);
// The answer of a box closed without a button.
platform::MessageResult ClosedBoxAnswer(platform::MessageButtons buttons);

// "Verifying Contents", 321 x 70, centred: "Verifying contents please wait..." at
// (8, 8), the status line at (8, 32), a smooth progress bar at (8, 48), 305 x 16.
class TFltkVerifyWindow : public Fl_Double_Window {
 public:
  static constexpr int kWidth = 321;
  static constexpr int kHeight = 70;

  TFltkVerifyWindow();
  // New texts and position; painted before returning.
  void Update(const std::string& status, int32_t position, int32_t max);
  void draw() override;

 private:
  std::string status_;
  int32_t position_ = 0;
  int32_t max_ = 100;
};

// The debug listing in a window of its own ("Debug", 870 x 600 with its frame),
// shown modally until closed.
void ShowFltkDebugListing(const std::vector<std::string>& lines);

// Places a window of the given outer size in the middle of the screen's work area.
void CentreOnScreen(Fl_Window& window);
