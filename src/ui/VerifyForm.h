// The verification window shown while start-up checks the package entry by entry:
// "Verifying contents please wait...", a status line and a progress bar (321 x 70,
// caption "Verifying Contents"). Start-up sets its texts; each change is painted at
// once because no event loop runs yet.
#pragma once

#include <cstdint>
#include <string>

class TWizardView;

class TFrmVerify {
 public:
  static constexpr const char* kCaption = "Verifying Contents";
  static constexpr const char* kLabel = "Verifying contents please wait...";

  // Shows the window with its design-time texts.
  explicit TFrmVerify(TWizardView* view);
  // Closes the window.
  ~TFrmVerify();
  TFrmVerify(const TFrmVerify&) = delete;
  TFrmVerify& operator=(const TFrmVerify&) = delete;

  const std::string& StatusText() const { return status_; }
  int32_t Position() const { return position_; }
  int32_t Max() const { return max_; }

  void SetStatusText(const std::string& text);
  void SetProgress(int32_t position, int32_t max);

  // "Status: DONE out of TOTAL files verifyed"
  static std::string StatusLine(uint32_t done, uint32_t total);

 private:
  void Repaint();

  TWizardView* view_;
  std::string status_ = "Status: 0 out of 0 files verifyed";
  int32_t position_ = 0;
  int32_t max_ = 100;
};
