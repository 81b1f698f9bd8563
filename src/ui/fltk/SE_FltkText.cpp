#include "ui/fltk/SE_FltkText.h"

#include "ui/fltk/SE_FltkDraw.h"

#include <FL/Fl.H>

#include <algorithm>

#include "platform/CodePage.h"
#include "ui/fltk/SE_FltkFonts.h"

namespace {

int TextWidth(const std::string& s) {
  return s.empty() ? 0 : static_cast<int>(fl_width(s.data(), static_cast<int>(s.size())) + 0.5);
}

std::vector<std::string> Paragraphs(const std::string& text) {
  std::vector<std::string> out(1);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out.emplace_back();
    } else if (c == '\t') {
      out.back() += "    ";
    } else {
      out.back() += c;
    }
  }
  return out;
}

void WrapParagraph(const std::string& p, int maxWidth, std::vector<std::string>& lines) {
  std::string line;
  bool lineStarted = false;  // the line holds text of this paragraph (maybe only blanks)
  size_t i = 0;
  while (i < p.size()) {
    size_t wordStart = i;
    while (wordStart < p.size() && p[wordStart] == ' ') ++wordStart;
    size_t wordEnd = wordStart;
    while (wordEnd < p.size() && p[wordEnd] != ' ') ++wordEnd;
    const std::string token = p.substr(i, wordEnd - i);
    if (!lineStarted) {
      line = token;
      lineStarted = true;
    } else if (TextWidth(line + token) <= maxWidth) {
      line += token;
    } else {
      lines.push_back(line);
      line = p.substr(wordStart, wordEnd - wordStart);
    }
    i = wordEnd;
  }
  lines.push_back(line);
}

void DrawPlainLabel(const Fl_Label* label, int x, int y, int w, int h, Fl_Align align) {
  if (!label->value) return;
  fl_font(label->font, label->size);
  fl_color(label->color);
  const std::vector<std::string> lines = BreakLines(label->value, w, (align & FL_ALIGN_WRAP) != 0);
  const int total = static_cast<int>(lines.size()) * fl_height();
  int top = y + (h - total) / 2;
  if (align & FL_ALIGN_TOP) top = y;
  else if (align & FL_ALIGN_BOTTOM) top = y + h - total;
  DrawLines(lines, x, top, w, align);
}

void MeasurePlainLabel(const Fl_Label* label, int& w, int& h) {
  if (!label->value) {
    w = h = 0;
    return;
  }
  fl_font(label->font, label->size);
  const std::vector<std::string> lines = BreakLines(label->value, 0, false);
  w = WidestLine(lines);
  h = static_cast<int>(lines.size()) * fl_height();
}

}  // namespace

Fl_Labeltype PlainLabelType() {
  static const Fl_Labeltype type = [] {
    const Fl_Labeltype t = FL_FREE_LABELTYPE;
    Fl::set_labeltype(t, DrawPlainLabel, MeasurePlainLabel);
    return t;
  }();
  return type;
}

TTextFont TextFontOf(const TFontSpec& font) {
  return {FltkFont(font.Face, font.Bold), PixelsOfPoints(font.Size), FltkColour(font.Colour)};
}

void UseFont(const TTextFont& font) {
  fl_font(font.font, font.size);
  fl_color(font.colour);
}

std::string Utf8Of(const std::u16string& text) { return platform::WideToUtf8(text); }

std::vector<std::string> BreakLines(const std::string& utf8, int maxWidth, bool wrap) {
  std::vector<std::string> lines;
  for (const std::string& p : Paragraphs(utf8)) {
    if (wrap) WrapParagraph(p, maxWidth, lines);
    else lines.push_back(p);
  }
  return lines;
}

int WidestLine(const std::vector<std::string>& lines) {
  int widest = 0;
  for (const std::string& line : lines) widest = std::max(widest, TextWidth(line));
  return widest;
}

void DrawLines(const std::vector<std::string>& lines, int x, int y, int w, Fl_Align align) {
  const int height = fl_height();
  const int ascent = height - fl_descent();
  for (const std::string& line : lines) {
    if (!line.empty()) {
      int left = x;
      if (align & FL_ALIGN_RIGHT) left = x + w - TextWidth(line);
      else if (!(align & FL_ALIGN_LEFT)) left = x + (w - TextWidth(line)) / 2;
      fl_draw(line.data(), static_cast<int>(line.size()), left, y + ascent);
    }
    y += height;
  }
}

void DrawDisabledLines(const std::vector<std::string>& lines, int x, int y, int w, Fl_Align align) {
  fl_color(FltkColour(clSystemColor | 20));  // button highlight
  DrawLines(lines, x + 1, y + 1, w, align);
  fl_color(FltkColour(clSystemColor | 16));  // button shadow
  DrawLines(lines, x, y, w, align);
}
