// Whether the machine the program changes belongs to the user who runs it.
//
// On Linux the machine is a Wine-style prefix, which belongs to one user: Wine itself
// refuses to run in a prefix that another user owns, and a setup run by root (or by
// another user) would leave files in it that its owner can no longer change or remove.
// On Windows the machine is the system itself and always counts as the user's.
#pragma once

#include "platform/Result.h"

namespace platform {

// Success when the machine is this user's (or on Linux when the prefix does not exist
// yet and will be made by this user); otherwise a failure naming the prefix and both
// users.
Status CheckMachineOwner();

}  // namespace platform
