// Small text helpers shared by the commands and the wizard.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

// Appends "\" unless the path is empty or already ends with one.
std::string IncludeBackslash(std::string_view path);

// The text before and after the first "="; without "=", the name is empty and the
// value is the whole text.
std::pair<std::string, std::string> SplitNameValue(std::string_view text);

// The decimal value of the text (an optional sign and digits, fitting in 32 bits),
// or -1 when it is not a valid integer.
int32_t ToIntOrMinusOne(std::string_view text);

// The directory part of a Windows path, without its trailing "\" ("C:\a\b.txt" ->
// "C:\a"); empty when the path has no "\".
std::string ExtractFileDir(std::string_view path);
// The name after the last "\" (or ":" of a drive), the whole path when it has none.
std::string ExtractFileName(std::string_view path);
