// The system's words for the failures the engine tests provoke, as each OS half of
// the program reports them (errno's text on Linux, the system's message for the error
// code on Windows). A test looks for these in what the program says, so that a reason
// lost or replaced by one left over from an earlier call is caught on both systems.
#pragma once

#include <string>

namespace engine_test {

// A file another program holds open cannot be deleted.
std::string FileInUseReason();
// A read-only file cannot be written.
std::string AccessDeniedReason();
// A folder stands where a file is to be put back.
std::string FolderInTheWayReason();
// The drive is full.
std::string DiskFullReason();
// The drive failed to write.
std::string WriteFailedReason();

}  // namespace engine_test
