#include "lang/SE_UnicodeStrList.h"

#include "platform/Errors.h"
#include "platform/LittleEndian.h"

void TUnicodeStringList::AddWithValue(const std::u16string& text, int32_t value) {
  items_.push_back(TUniItem{text, value});
}

const std::u16string& TUnicodeStringList::GetString(size_t index) const {
  if (index >= items_.size())
    throw platform::ESetupError("List index out of bounds (" + std::to_string(index) + ")");
  return items_[index].Text;
}

void TUnicodeStringList::LoadFromBuffer(const uint8_t* data, size_t size) {
  if (!data) throw platform::ESetupError("Cannot open file");
  Clear();
  if (size < 2) return;
  const size_t units = (size - 2) / 2;
  std::u16string line;
  for (size_t i = 0; i < units; ++i) {
    const auto c = static_cast<char16_t>(platform::DecodeFixed16(data + 2 + 2 * i));
    if (c == u'\r') {
      Add(line);
      line.clear();
    } else if (c == u'\n') {
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) Add(line);
}
