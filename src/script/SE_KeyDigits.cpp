#include "script/SE_KeyDigits.h"

#include "platform/Errors.h"

namespace {

std::string ApplyKeyDigits(std::string_view key, std::string_view text, int sign) {
  if (text.empty()) return {};
  if (key.empty()) throw platform::ESetupError("Empty key for the digit cipher");
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    const char digit = key[i % key.size()];
    if (digit < '0' || digit > '9')
      throw platform::ESetupError("'" + std::string(1, digit) + "' is not a valid integer value");
    out[i] = static_cast<char>(static_cast<unsigned char>(out[i]) + sign * (digit - '0'));
  }
  return out;
}

}  // namespace

std::string AddKeyDigits(std::string_view key, std::string_view text) {
  return ApplyKeyDigits(key, text, +1);
}

std::string SubtractKeyDigits(std::string_view key, std::string_view text) {
  return ApplyKeyDigits(key, text, -1);
}
