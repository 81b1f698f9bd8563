// Number texts that do not depend on the user's locale: the decimal separator is
// always "." and there are no thousands separators. Size texts appear in the wizard
// ("Space required 1.50 MB") and in the status line while large entries are copied.
#pragma once

#include <cstdint>
#include <string>

// A byte count in the largest unit (Bytes, KB, MB, GB) that leaves a whole part of at
// least 1, with two decimals: 0 -> "0.00 Bytes", 1572864 -> "1.50 MB". GB is the
// largest unit, so 5 TiB reads "5120.00 GB".
std::string FormatSize(uint64_t bytes);

// The number in the general float format with "." as separator and ".0" appended
// when the text has no "." (3 -> "3.0", 0.25 -> "0.25", 1e20 -> "1E20.0").
std::string FloatText(double number);
