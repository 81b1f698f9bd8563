// The page parser's own line list and the way page lists and layouts are cut into
// lines and sections.
//
// A page list or layout is 8-bit text up to its end or its first NUL. It is split at
// every carriage return; each line is trimmed of the characters up to the blank at
// both ends (which drops the line feed of CR LF); empty lines are skipped. A line
// that begins with "[" starts a section, named by the line without its first and
// last character; a section runs to the line before the next "[" line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// An ordered list of 8-bit lines with a count. Get outside 0..Count()-1 yields an
// empty text, so a caller may ask for line 1 of a section that has only a header.
class TStringList {
 public:
  void Add(std::string text) { items_.push_back(std::move(text)); }
  std::string Get(int index) const;
  int Count() const { return static_cast<int>(items_.size()); }
  void Clear() { items_.clear(); }

 private:
  std::vector<std::string> items_;
};

// Trims the characters 0..32 at both ends.
std::string_view TrimBlanks(std::string_view text);

// A trimmed line and its 1-based number in the file (counting carriage returns), so
// that an error can name the line the author sees.
struct TTextLine {
  std::string Text;
  int Number = 0;
};

// The non-empty trimmed lines of the text (cut at its first NUL).
std::vector<TTextLine> SplitTrimmedLines(std::string_view text);
std::vector<TTextLine> SplitTrimmedLines(const uint8_t* data, size_t size);

// One section: its "[...]" line as written (Lines.Get(0)) and the lines after it.
struct TSection {
  std::string Name;          // the header without its first and last character
  TStringList Lines;         // header first, then the section's lines
  std::vector<int> Numbers;  // the file line number of each of Lines
};

// Groups lines into sections. Lines before the first "[" line belong to no section
// and are dropped.
std::vector<TSection> SplitSections(const std::vector<TTextLine>& lines);
