#include "ui/fltk/SE_FltkFonts.h"

#include "ui/fltk/SE_FltkDraw.h"

#include <FL/Fl.H>

#include <algorithm>
#include <deque>
#include <map>
#include <string_view>
#include <utility>

#include "platform/CodePage.h"
#include "ui/Ggauge.h"

namespace {

struct TFaceEntry {
  std::string_view windowsFace;  // lower case
  std::string_view family;
};

constexpr TFaceEntry kFaces[] = {
    {"ms shell dlg 2", "DejaVu Sans"},
    {"ms shell dlg", "DejaVu Sans"},
    {"tahoma", "DejaVu Sans"},
    {"ms sans serif", "DejaVu Sans"},
    {"microsoft sans serif", "DejaVu Sans"},
    {"segoe ui", "DejaVu Sans"},
    {"verdana", "DejaVu Sans"},
    {"trebuchet ms", "DejaVu Sans"},
    {"system", "DejaVu Sans"},
    {"arial", "Liberation Sans"},
    {"helvetica", "Liberation Sans"},
    {"times new roman", "Liberation Serif"},
    {"times", "Liberation Serif"},
    {"courier new", "Liberation Mono"},
    {"courier", "Liberation Mono"},
    {"georgia", "DejaVu Serif"},
    {"lucida console", "DejaVu Sans Mono"},
    {"consolas", "DejaVu Sans Mono"},
};

constexpr const char* kFallbackFamily = "DejaVu Sans";

// FLTK keeps the pointer it is given: the names live here for the program's life.
struct TFontTable {
  std::deque<std::string> names;
  std::map<std::string, Fl_Font> byName;
  Fl_Font next = FL_FREE_FONT;
};

TFontTable& Table() {
  static TFontTable table;
  return table;
}

}  // namespace

std::string InstalledFamilyFor(const std::string& windowsFace) {
  std::string face = platform::AsciiLower(windowsFace);
  while (!face.empty() && face.back() == ' ') face.pop_back();
  while (!face.empty() && face.front() == ' ') face.erase(face.begin());
  if (face.empty()) return kFallbackFamily;
  for (const TFaceEntry& e : kFaces)
    if (face == e.windowsFace) return std::string(e.family);
  return platform::AnsiToUtf8(windowsFace);
}

int PixelsOfPoints(int32_t points) {
  if (points <= 0) points = 8;
  points = std::min(points, 400);
  return MulDivNearest(points, 96, 72);
}

Fl_Font FltkFont(const std::string& windowsFace, bool bold, bool italic) {
  // The first character of an FLTK face name selects the style: ' ' plain, 'B' bold,
  // 'I' italic, 'P' bold italic.
  const char style = bold ? (italic ? 'P' : 'B') : (italic ? 'I' : ' ');
  const std::string name = style + InstalledFamilyFor(windowsFace);
  TFontTable& t = Table();
  const auto found = t.byName.find(name);
  if (found != t.byName.end()) return found->second;
  t.names.push_back(name);
  const Fl_Font font = t.next++;
  Fl::set_font(font, t.names.back().c_str());
  t.byName.emplace(name, font);
  return font;
}

Fl_Color FltkColour(TColor colour) {
  const TRgb rgb = RgbOf(colour);
  return fl_rgb_color(rgb.r, rgb.g, rgb.b);
}

Fl_Color FltkColour(uint8_t r, uint8_t g, uint8_t b) { return fl_rgb_color(r, g, b); }
