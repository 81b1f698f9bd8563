// The system's reason for the last failure on Windows: GetLastError's code in the
// system's words (FormatMessageW), as an 8-bit program text.
#include "platform/Errors.h"
#include "platform/win32/WinText.h"

namespace platform {

std::string LastErrorText() { return win32::ErrorText(GetLastError()); }

bool LastErrorIsNameTaken() {
  const DWORD code = GetLastError();
  return code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS;
}

void NoteFileTooLarge() { SetLastError(ERROR_FILE_TOO_LARGE); }

}  // namespace platform
