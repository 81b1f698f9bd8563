// The system's reason for the last failure on Windows: GetLastError's code in the
// system's words (FormatMessageW), as an 8-bit program text.
#include "platform/ConfinedFolders.h"
#include "platform/Errors.h"
#include "platform/win32/WinText.h"

namespace platform {

std::string LastErrorText() {
  const DWORD code = GetLastError();
  // A confined walk's refusal names the link it met.
  if (code == ERROR_CANT_ACCESS_FILE && !detail::RefusedLinkText().empty()) return detail::RefusedLinkText();
  return win32::ErrorText(code);
}

bool LastErrorIsNameTaken() {
  const DWORD code = GetLastError();
  return code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS;
}

void NoteFileTooLarge() { SetLastError(ERROR_FILE_TOO_LARGE); }

}  // namespace platform
