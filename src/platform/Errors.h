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

// Raises EAssertionFailed unless the condition holds.
inline void Check(bool condition, const char* message, const char* unit, int line) {
  if (!condition) throw EAssertionFailed(message, unit, line);
}

}  // namespace platform
