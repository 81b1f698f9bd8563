#include "lang/S_DecimalSeperator.h"

#include <cstdio>

std::string FormatSize(uint64_t bytes) {
  static const char* const kUnits[] = {"Bytes", "KB", "MB", "GB"};
  double x = static_cast<double>(bytes);
  int unit = 0;
  // Divide while the whole part stays at least 1; the division that drops below 1
  // is undone, so 1023 bytes stay "1023.00 Bytes".
  for (;;) {
    x /= 1024;
    if (static_cast<uint64_t>(x) == 0) {
      x *= 1024;
      break;
    }
    if (++unit == 3) break;
  }
  char text[64];
  std::snprintf(text, sizeof text, "%.2f %s", x, kUnits[unit]);
  return text;
}

std::string FloatText(double number) {
  char text[64];
  std::snprintf(text, sizeof text, "%.15G", number);
  std::string result = text;
  // The runtime's general format writes exponents without "+" and leading zeros.
  const size_t e = result.find('E');
  if (e != std::string::npos) {
    std::string exponent = result.substr(e + 1);
    std::string sign;
    if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) {
      if (exponent[0] == '-') sign = "-";
      exponent.erase(0, 1);
    }
    while (exponent.size() > 1 && exponent[0] == '0') exponent.erase(0, 1);
    result = result.substr(0, e + 1) + sign + exponent;
  }
  if (result.find('.') == std::string::npos) result += ".0";
  return result;
}
