// The digit-key cipher: each byte of a text is raised (AddKeyDigits) or lowered
// (SubtractKeyDigits) modulo 256 by the value of the key digit at the same position,
// the key repeating from its first digit. The output has the text's length; the two
// undo each other under the same key.
#pragma once

#include <string>
#include <string_view>

// Both raise ESetupError when a key character is not a decimal digit or the key is
// empty while the text is not.
std::string AddKeyDigits(std::string_view key, std::string_view text);
std::string SubtractKeyDigits(std::string_view key, std::string_view text);
