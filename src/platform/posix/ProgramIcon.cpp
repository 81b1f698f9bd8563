// Host programs carry no resources: their icon comes from the desktop's files, not
// from the program, so there is nothing to change.
#include "platform/ProgramIcon.h"

namespace platform {

bool SetProgramIconImage(const std::string&, const uint8_t*, size_t) { return false; }

}  // namespace platform
