#include "ui/SE_StringList.h"

std::string TStringList::Get(int index) const {
  if (index < 0 || index >= Count()) return {};
  return items_[static_cast<size_t>(index)];
}

std::string_view TrimBlanks(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

std::vector<TTextLine> SplitTrimmedLines(std::string_view text) {
  const size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  std::vector<TTextLine> lines;
  size_t start = 0;
  int number = 1;
  while (start <= text.size()) {
    size_t cr = text.find('\r', start);
    if (cr == std::string_view::npos) cr = text.size();
    const std::string_view line = TrimBlanks(text.substr(start, cr - start));
    if (!line.empty()) lines.push_back({std::string(line), number});
    start = cr + 1;
    ++number;
  }
  return lines;
}

std::vector<TTextLine> SplitTrimmedLines(const uint8_t* data, size_t size) {
  if (!data || size == 0) return {};
  return SplitTrimmedLines(std::string_view(reinterpret_cast<const char*>(data), size));
}

std::vector<TSection> SplitSections(const std::vector<TTextLine>& lines) {
  std::vector<TSection> sections;
  for (const TTextLine& line : lines) {
    if (line.Text[0] == '[') {
      TSection section;
      // The header without its first and last character; "[" alone names nothing.
      const std::string& t = line.Text;
      section.Name = t.size() >= 2 ? t.substr(1, t.size() - 2) : std::string();
      sections.push_back(std::move(section));
    }
    if (sections.empty()) continue;
    sections.back().Lines.Add(line.Text);
    sections.back().Numbers.push_back(line.Number);
  }
  return sections;
}
