// The program's one family of exceptions. Every unexpected error travels as an
// ESetupError carrying its text; the top-level handlers pass that text to the error
// report. Consistency checks raise EAssertionFailed, whose text names "Assertion
// failure", the unit and the line, so that a report points at the check that failed.
#pragma once

#include <stdexcept>
#include <string>

namespace platform {

class ESetupError : public std::runtime_error {
 public:
  explicit ESetupError(const std::string& text) : std::runtime_error(text) {}
};

class EAssertionFailed : public ESetupError {
 public:
  EAssertionFailed(const std::string& message, const std::string& unit, int line);
};

// Why the last system call of this thread failed, in the system's words ("Access is
// denied", "No space left on device"): errno's text on Linux, GetLastError's on
// Windows (an 8-bit program text). Every platform service that fails leaves its
// reason there, so read it right after the failure: later calls may change it.
std::string LastErrorText();

// True when the last failure was a name already taken (a file, folder or link there):
// what a create that must make a new file reports when it is not the first.
bool LastErrorIsNameTaken();

// For a refusal that is the program's own rather than the system's (a package would
// grow past what its offsets can address): leaves the system's code for "file too
// large", so that the reason read next is this one and not an earlier call's.
void NoteFileTooLarge();

// Raises ESetupError with what + ": " + LastErrorText(), for a system call that just
// failed ("Cannot open file "x": Access is denied").
[[noreturn]] void RaiseSystemError(const std::string& what);

// Raises EAssertionFailed unless the condition holds.
inline void Check(bool condition, const char* message, const char* unit, int line) {
  if (!condition) throw EAssertionFailed(message, unit, line);
}

}  // namespace platform
