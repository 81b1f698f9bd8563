// One registry file, kept as its text and indexed as keys. A change rewrites only the
// lines of the values it touches (and the key's time stamp); every other line,
// including value types, options and comments this program does not interpret, stays
// byte for byte. Reading a file checks every line but decodes only the key names:
// values are decoded when they are asked for, so a large system.reg is read quickly.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/posix/RegistryText.h"

namespace platform::posix {

struct RegistryValueEntry {
  size_t line = 0;
  size_t lineCount = 1;
  uint32_t type = kRegNone;
};

struct RegistrySection {
  size_t line = 0;                      // the "[key]" line
  size_t lastContent = 0;               // its last key, option or value line
  size_t keyTextEnd = 0;                // just after the "]" in the key line
  size_t timeLine = std::string::npos;  // the "#time=" line, when there is one
  std::u16string path;                  // "Software\Wine\Drives", components joined by "\"
  std::u16string folded;
  bool isLink = false;
  std::vector<RegistryValueEntry> values;
};

class RegistryImage {
 public:
  RegistryImage() = default;
  RegistryImage(const RegistryImage&) = delete;  // the index points into the text
  RegistryImage& operator=(const RegistryImage&) = delete;

  // Reads the text; a problem is recorded as "file:line: problem" (the first one) and
  // reading goes on, so that what can be read still is. An empty text is a new file
  // that gets `header`.
  static std::shared_ptr<const RegistryImage> Parse(std::string text, const std::string& fileName,
                                                    const std::string& header);
  // A file that could not be read at all.
  static std::shared_ptr<const RegistryImage> Unreadable(const std::string& problem);

  // The first problem found; a file with a problem is never rewritten.
  const std::string& Problem() const { return problem_; }
  bool Win64() const { return win64_; }

  // Key paths here are folded (FoldName) and joined with "\"; "" is the file's root.
  bool KeyExists(const std::u16string& key) const;
  bool HasSubkeys(const std::u16string& key) const;
  // The value as the last of its lines sets it (Wine lets a later line win).
  std::optional<RegistryValueLine> FindValue(const std::u16string& key, const std::u16string& name) const;
  // The target of a link key ("\Registry\Machine\System\ControlSet001").
  std::optional<std::u16string> LinkTarget(const std::u16string& key) const;

  const std::vector<RegistrySection>& Sections() const { return sections_; }
  RegistryValueLine Decode(const RegistryValueEntry& entry) const;

  // Each edit gives the whole new text; `path` keeps the caller's spelling for new keys.
  std::string WithString(const std::u16string& path, const std::u16string& name, const std::u16string& data,
                         int64_t nowNs) const;
  std::string WithoutValue(const std::u16string& key, const std::u16string& name, int64_t nowNs) const;
  std::string WithKey(const std::u16string& path, int64_t nowNs) const;
  std::string WithoutKey(const std::u16string& path, int64_t nowNs) const;

 private:
  struct Edit {
    size_t line;
    size_t remove;
    std::vector<std::string> insert;
  };
  void Index(const std::string& fileName);
  void Note(size_t line, const std::string& fileName, const char* problem);
  const std::vector<size_t>* SectionsOf(const std::u16string& key) const;
  std::u16string FoldedName(const RegistryValueEntry& entry) const;
  // The entry that holds the value (the last one), or nothing.
  const RegistryValueEntry* FindEntry(const std::u16string& key, const std::u16string& name) const;
  void Stamp(const RegistrySection& section, int64_t nowNs, std::vector<Edit>& edits) const;
  std::vector<std::string> NewSection(const std::u16string& path, int64_t nowNs) const;
  std::string Apply(std::vector<Edit> edits, const std::vector<std::string>& appended) const;

  std::string text_;
  std::vector<std::string_view> lines_;  // views into text_, without their "\n"
  bool finalNewline_ = true;
  std::string eol_;  // "\r" when the file's lines end with CR LF
  std::string problem_;
  bool win64_ = false;
  std::vector<RegistrySection> sections_;
  // Views into the sections' folded paths, which stay put once the index is built.
  std::unordered_map<std::u16string_view, std::vector<size_t>> byKey_;
  std::unordered_set<std::u16string_view> parents_;  // keys that have sub-keys
};

// "Software\\Wine" as written in a key line, from "Software\Wine".
std::string EscapeKeyPath(std::u16string_view path);
// "\a\\b\" -> "a\b": the components without empty ones.
std::u16string NormaliseKeyPath(std::u16string_view path);

}  // namespace platform::posix
