// The small windows of the Win32 view: message boxes (the system's MessageBoxW), the
// verification window shown while start-up checks the package, and the debug listing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

class TGdiCache;

// The system's box, owned by owner (may be null); carriage returns break lines.
// Call on the user-interface thread.
platform::MessageResult ShowWin32MessageBox(HWND owner, const std::u16string& text,
                                            const std::u16string& caption, platform::MessageButtons buttons,
                                            platform::MessageIcon icon);
// MessageBoxW's flags for the buttons and icon, and the answer an id gives.
UINT MessageBoxFlags(platform::MessageButtons buttons, platform::MessageIcon icon);
platform::MessageResult MessageResultOf(int id);

// "Verifying Contents", client 321 x 70, centred: "Verifying contents please wait..."
// at (8, 8), the status line at (8, 32), a smooth progress bar at (8, 48), 305 x 16.
// Every change is painted before Update returns (no event loop runs yet).
class TWin32VerifyWindow {
 public:
  static constexpr int kWidth = 321;
  static constexpr int kHeight = 70;

  TWin32VerifyWindow(HINSTANCE instance, TGdiCache& gdi);
  ~TWin32VerifyWindow();
  TWin32VerifyWindow(const TWin32VerifyWindow&) = delete;
  TWin32VerifyWindow& operator=(const TWin32VerifyWindow&) = delete;

  HWND Handle() const { return hwnd_; }
  void Update(const std::string& status, int32_t position, int32_t max);

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void Paint(HDC dc);

  HWND hwnd_ = nullptr;
  TGdiCache& gdi_;
  std::wstring status_;
  int32_t position_ = 0;
  int32_t max_ = 100;
};

// The debug listing in a window of its own ("Debug", 870 x 600 with its frame), shown
// modally over owner until closed.
void ShowWin32DebugListing(HINSTANCE instance, HWND owner, TGdiCache& gdi,
                           const std::vector<std::string>& lines);

// Places a window in the middle of the screen's work area.
void CentreOnWorkArea(HWND hwnd);
