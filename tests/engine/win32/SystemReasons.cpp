// The Windows half's reasons: the system's message for the error code each failure
// leaves.
#include "engine/SystemReasons.h"

#include <windows.h>

#include "platform/win32/WinText.h"

namespace engine_test {

std::string FileInUseReason() { return platform::win32::ErrorText(ERROR_SHARING_VIOLATION); }
std::string AccessDeniedReason() { return platform::win32::ErrorText(ERROR_ACCESS_DENIED); }
std::string FolderInTheWayReason() { return platform::win32::ErrorText(ERROR_ACCESS_DENIED); }
std::string DiskFullReason() { return platform::win32::ErrorText(ERROR_DISK_FULL); }
std::string WriteFailedReason() { return platform::win32::ErrorText(ERROR_WRITE_FAULT); }

}  // namespace engine_test
