// The Windows machine is the system itself: every user runs on it.
#include "platform/MachineOwner.h"

namespace platform {

Status CheckMachineOwner() { return Status::Success(); }

}  // namespace platform
