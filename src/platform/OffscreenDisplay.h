// A display for drawing windows that nobody looks at (the page previews of
// setuptool). On Linux without $DISPLAY it is a private X server (Xvfb, from the
// Debian package xvfb) started on a free display number, named in $DISPLAY while the
// object lives, and stopped with it. Where a display exists already, and on Windows,
// whose desktop is always there, it does nothing.
#pragma once

#include <memory>
#include <string>

namespace platform {

class OffscreenDisplay {
 public:
  // A display is ready: the one there was, or one started now. Nothing, with the
  // reason in error, when none could be started.
  static std::unique_ptr<OffscreenDisplay> Ensure(std::string& error);
  ~OffscreenDisplay();
  OffscreenDisplay(const OffscreenDisplay&) = delete;
  OffscreenDisplay& operator=(const OffscreenDisplay&) = delete;

  // Whether this object started the display (and stops it).
  bool Started() const { return server_ > 0; }

 private:
  OffscreenDisplay() = default;
  long server_ = 0;  // the server's process id, or 0
};

}  // namespace platform
