// Colours as page definitions write them: 32-bit values in the encoding $00BBGGRR,
// where a negative value names a system colour (its low byte is the system colour
// index, as in $80000008 for the window text). Views turn them into RGB here.
#pragma once

#include <cstdint>

using TColor = int32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clSystemColor = static_cast<TColor>(0x80000000u);
inline constexpr TColor clWindowText = clSystemColor | 8;
inline constexpr TColor clBtnFace = clSystemColor | 15;
inline constexpr TColor clWindow = clSystemColor | 5;

struct TRgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const TRgb&) const = default;
};

// The colour as $00BBGGRR with system colours resolved to the standard desktop
// scheme's values; an index the scheme does not have gives black.
TColor ColorToRGB(TColor colour);
TRgb RgbOf(TColor colour);
