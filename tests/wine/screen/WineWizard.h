// The fixture of the on-screen tests under Wine: a private Xvfb, Wine from $SE_WINE in
// the prefix $WINEPREFIX (the Windows test step's), the Windows programs from
// $SE_WINDOWS_BIN_DIR and the packer from $SE_LINUX_BIN_DIR; setups packed with the
// Linux mksetup around the Windows setup.exe, started under Wine and driven from the
// Linux side. Screenshots are kept (as win32-*.png) in $SE_SCREENSHOT_DIR.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/TestMachine.h"
#include "support/screen/ScreenGallery.h"
#include "support/screen/ScreenWizard.h"

namespace screen_test {

// The Windows Imaging Component's JPEG decoder under Wine strays from FLTK's by up to
// this much on a channel (at sharp colour edges).
inline constexpr int kJpegTolerance = 12;

class WineWizard : public ScreenTest {
 protected:
  void SetUp() override;

  // Packs the script of the work folder around the Windows setup.exe; the setup's path.
  std::string Pack(const std::string& script, const std::string& output,
                   const std::vector<std::string>& extra = {});
  // Starts a Windows program under Wine, in the given prefix (default: the test step's).
  std::unique_ptr<Program> Start(const std::string& program, const std::string& log,
                                 const std::string& prefix = "");
  // Runs a Wine command to its end (reg, wineserver) in the prefix.
  CommandResult RunWine(const std::vector<std::string>& args, const std::string& prefix);

  // Wine draws the frame itself (no window manager): the X window holds the frame,
  // the same width on the left, right and bottom, and the caption above.
  static Window ClientOf(const Window& outer, int clientW, int clientH);
  // The main window's client area, 578 x 413 at 96 dpi, scaled to dpi.
  Window MainClient(const Window& outer, int dpi = 96);

  // The host folder of a path under the prefix's drive C:.
  std::filesystem::path HostDir(const std::string& underDriveC) const;
  // Frame colours as the main window draws them: the face beside the buttons and the
  // two lines of the bevel above them.
  static ViewLook LookOf(const Image& client);

  std::string prefix_, wine_, windowsBin_, linuxBin_;
  testing_support::TempDir work_;
};

}  // namespace screen_test
