#include "lang/ZTI_ReplaceText.h"

namespace {

inline char16_t FoldAZ(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c; }

}  // namespace

size_t FindTextFolded(std::u16string_view text, std::u16string_view search, size_t from) {
  if (search.empty() || search.size() > text.size()) return std::u16string_view::npos;
  const char16_t first = FoldAZ(search[0]);
  const size_t last = text.size() - search.size();
  for (size_t i = from; i <= last; ++i) {
    if (FoldAZ(text[i]) != first) continue;
    size_t k = 1;
    while (k < search.size() && FoldAZ(text[i + k]) == FoldAZ(search[k])) ++k;
    if (k == search.size()) return i;
  }
  return std::u16string_view::npos;
}

std::u16string ReplaceText(std::u16string_view source, std::u16string_view search,
                           std::u16string_view replacement) {
  std::u16string result;
  size_t done = 0;  // source[0, done) has been copied or replaced
  for (size_t at = FindTextFolded(source, search); at != std::u16string_view::npos;
       at = FindTextFolded(source, search, done)) {
    result.append(source.substr(done, at - done));
    result.append(replacement);
    done = at + search.size();
  }
  result.append(source.substr(done));
  return result;
}
