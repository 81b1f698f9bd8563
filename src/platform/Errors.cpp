#include "platform/Errors.h"

namespace platform {

namespace {
std::string AssertionText(const std::string& message, const std::string& unit, int line) {
  std::string text = "Assertion failure";
  if (!message.empty()) text += ": " + message;
  return text + " (" + unit + ", line " + std::to_string(line) + ")";
}
}  // namespace

void RaiseSystemError(const std::string& what) { throw ESetupError(what + ": " + LastErrorText()); }

EAssertionFailed::EAssertionFailed(const std::string& message, const std::string& unit, int line)
    : ESetupError(AssertionText(message, unit, line)) {}

}  // namespace platform
