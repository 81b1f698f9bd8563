// Bytes as lower-case hexadecimal digits, two per byte: how digests are shown and
// recorded as text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

std::string HexDigitsOf(const uint8_t* bytes, size_t count);

}  // namespace platform
