// The system's reason for the last failure on Linux: errno, which every platform
// service here sets as Windows would set its error code (ENOENT for a path outside
// the prefix's drives, EACCES for the read-only attribute, ...).
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/ConfinedFolders.h"
#include "platform/Errors.h"

namespace platform {

std::string LastErrorText() {
  const int code = errno;
  // A confined walk's refusal names the link it met.
  if (code == ELOOP && !detail::RefusedLinkText().empty()) return detail::RefusedLinkText();
  char buffer[256];
  // The GNU form returns the text, which may or may not be the buffer.
  const char* text = strerror_r(code, buffer, sizeof buffer);
  return text && *text ? std::string(text) : "error " + std::to_string(code);
}

bool LastErrorIsNameTaken() { return errno == EEXIST; }

void NoteFileTooLarge() { errno = EFBIG; }

}  // namespace platform
