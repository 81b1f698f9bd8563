// The program's one replace operation. Every text macro ("<%FILENAME%>", the path
// variables, "<BR>", the progress macros) goes through it, so they all match the
// same way: the letters A-Z without regard to case, every other character exactly.
#pragma once

#include <string>
#include <string_view>

// Every occurrence of search in source replaced by replacement. The search goes on
// after each inserted replacement, so a replacement that contains the searched text
// is inserted once, not again and again. An empty search text changes nothing.
std::u16string ReplaceText(std::u16string_view source, std::u16string_view search,
                           std::u16string_view replacement);

// Position of the first occurrence of search in text at or after from (A-Z folded),
// or npos.
size_t FindTextFolded(std::u16string_view text, std::u16string_view search, size_t from = 0);
