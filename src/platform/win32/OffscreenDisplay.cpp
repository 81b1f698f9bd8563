// Windows: the desktop is always there to draw on.
#include "platform/OffscreenDisplay.h"

namespace platform {

std::unique_ptr<OffscreenDisplay> OffscreenDisplay::Ensure(std::string&) {
  return std::unique_ptr<OffscreenDisplay>(new OffscreenDisplay());
}

OffscreenDisplay::~OffscreenDisplay() = default;

}  // namespace platform
