// The Linux half's reasons: errno's texts, written out so that the test also shows
// the words a player reads.
#include "engine/SystemReasons.h"

namespace engine_test {

std::string FileInUseReason() { return "Device or resource busy"; }
std::string AccessDeniedReason() { return "Permission denied"; }
std::string FolderInTheWayReason() { return "Is a directory"; }
std::string DiskFullReason() { return "No space left on device"; }
std::string WriteFailedReason() { return "Input/output error"; }

}  // namespace engine_test
