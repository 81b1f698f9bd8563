#include "ui/SE_Colour.h"

#include <array>

namespace {

// The standard desktop scheme, by system colour index, as 0xRRGGBB.
constexpr std::array<uint32_t, 31> kSystemColours = {
    0xD4D0C8, 0x004E98, 0x0054E3, 0x7A96DF, 0xFFFFFF, 0xFFFFFF, 0x000000, 0x000000,
    0x000000, 0xFFFFFF, 0xD4D0C8, 0xD4D0C8, 0x808080, 0x316AC5, 0xFFFFFF, 0xECE9D8,
    0xACA899, 0xACA899, 0x000000, 0xD8E4F8, 0xFFFFFF, 0x716F64, 0xF1EFE2, 0x000000,
    0xFFFFE1, 0xB5B5B5, 0x000080, 0x3D95FF, 0x9DB9EB, 0x316AC5, 0xECE9D8,
};

}  // namespace

TColor ColorToRGB(TColor colour) {
  if (colour >= 0) return colour & 0xFFFFFF;
  const uint32_t index = static_cast<uint32_t>(colour) & 0xFF;
  if (index >= kSystemColours.size()) return clBlack;
  const uint32_t rgb = kSystemColours[index];
  return static_cast<TColor>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}

TRgb RgbOf(TColor colour) {
  const uint32_t c = static_cast<uint32_t>(ColorToRGB(colour));
  return {static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>((c >> 8) & 0xFF),
          static_cast<uint8_t>((c >> 16) & 0xFF)};
}
