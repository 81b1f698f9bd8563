// Files on the host, for tests that lay out a program's input and check what it wrote.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

// The whole file as bytes; empty when it cannot be read.
std::string ReadHostFile(const std::filesystem::path& path);
// Writes the bytes, creating the folders on the way.
void WriteHostFile(const std::filesystem::path& path, const std::string& content);
// Everything below a folder, relative: a file with its content, a folder as "<dir>".
std::map<std::string, std::string> HostTreeBelow(const std::filesystem::path& root);
// A text (a file's, a program's output) taken apart at its line breaks.
std::vector<std::string> LinesOf(const std::string& text);

}  // namespace testing_support
