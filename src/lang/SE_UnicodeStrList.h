// The wide-string line list through which a language entry is read: the entry's
// UTF-16 text (after its byte-order mark) cut into lines.
//
// Line breaking: a carriage return ends a line; a line feed belongs to no line and
// moves the start of the current line to the character after it. So CR LF and CR
// alone both end lines, text standing before a lone LF on the same line is dropped,
// and a text that uses LF alone yields only its last line. The text after the last
// CR is the last line when it is not empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TUniItem {
  std::u16string Text;
  int32_t Value = 0;
};

class TUnicodeStringList {
 public:
  // Clears the list and fills it with the lines of a language entry: bytes 0-1 are
  // the byte-order mark (skipped unchecked), then (size - 2) / 2 UTF-16LE code units
  // (an odd last byte is ignored). A null buffer raises ESetupError "Cannot open
  // file"; an entry shorter than two bytes gives an empty list.
  void LoadFromBuffer(const uint8_t* data, size_t size);

  void Add(const std::u16string& text) { AddWithValue(text, 0); }
  void AddWithValue(const std::u16string& text, int32_t value);
  void Clear() { items_.clear(); }
  size_t Count() const { return items_.size(); }
  // The text of line index; raises ESetupError "List index out of bounds (i)" past
  // the end, as every list of the program does.
  const std::u16string& GetString(size_t index) const;

 private:
  std::vector<TUniItem> items_;
};
