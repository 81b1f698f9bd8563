#include "platform/posix/RegistryImage.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "platform/posix/PathMap.h"

namespace platform::posix {

namespace {

constexpr char kMagic[] = "WINE REGISTRY Version 2";
constexpr int64_t kFileTimeOf1970 = 116444736000000000;  // 100 ns steps since 1601

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimmedContent(std::string_view line) {
  std::string_view text = LineContent(line);
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  return text;
}

std::u16string_view ParentOf(std::u16string_view key) {
  const size_t slash = key.rfind(u'\\');
  return slash == std::u16string_view::npos ? std::u16string_view() : key.substr(0, slash);
}

std::string TimeLine(int64_t nowNs) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "#time=%" PRIx64,
                static_cast<uint64_t>(nowNs / 100 + kFileTimeOf1970));
  return buffer;
}

}  // namespace

std::u16string NormaliseKeyPath(std::u16string_view path) {
  std::u16string out;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) end = path.size();
    if (end > start) {
      if (!out.empty()) out += u'\\';
      out += path.substr(start, end - start);
    }
    start = end + 1;
  }
  return out;
}

std::string EscapeKeyPath(std::u16string_view path) {
  std::string out;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) end = path.size();
    if (start) out += "\\\\";
    out += EscapeRegistryText(path.substr(start, end - start), "[]");
    start = end + 1;
  }
  return out;
}

std::shared_ptr<const RegistryImage> RegistryImage::Parse(std::string text, const std::string& fileName,
                                                          const std::string& header) {
  auto image = std::make_shared<RegistryImage>();
  image->text_ = text.empty() ? header : std::move(text);
  const std::string_view all = image->text_;
  size_t start = 0;
  while (start < all.size()) {
    const void* found = std::memchr(all.data() + start, '\n', all.size() - start);
    if (!found) {
      image->lines_.push_back(all.substr(start));
      image->finalNewline_ = false;
      break;
    }
    const size_t end = static_cast<size_t>(static_cast<const char*>(found) - all.data());
    image->lines_.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  if (!image->lines_.empty() && !image->lines_[0].empty() && image->lines_[0].back() == '\r')
    image->eol_ = "\r";
  image->Index(fileName);
  return image;
}

std::shared_ptr<const RegistryImage> RegistryImage::Unreadable(const std::string& problem) {
  auto image = std::make_shared<RegistryImage>();
  image->problem_ = problem;
  return image;
}

void RegistryImage::Note(size_t line, const std::string& fileName, const char* problem) {
  if (problem_.empty()) problem_ = fileName + ":" + std::to_string(line + 1) + ": " + problem;
}

void RegistryImage::Index(const std::string& fileName) {
  if (lines_.empty() || LineContent(lines_[0]) != kMagic) {
    Note(0, fileName, "not a Wine registry file (the first line is not \"WINE REGISTRY Version 2\")");
    return;
  }
  RegistrySection* current = nullptr;
  for (size_t i = 1; i < lines_.size(); ++i) {
    const std::string_view text = TrimmedContent(lines_[i]);
    if (text.find('\0') != std::string_view::npos) {
      Note(i, fileName, "binary data in a text line");
      current = nullptr;
      continue;
    }
    const char first = text.empty() ? ';' : text.front();
    if (first == '[') {
      std::u16string path;
      const size_t used = UnescapeRegistryText(text.substr(1), ']', &path);
      if (used == std::string_view::npos) {
        Note(i, fileName, "malformed key");
        current = nullptr;
        continue;
      }
      RegistrySection& section = sections_.emplace_back();
      section.line = section.lastContent = i;
      section.keyTextEnd = static_cast<size_t>(text.data() - lines_[i].data()) + 1 + used;
      section.path = NormaliseKeyPath(path);
      section.folded = FoldName(section.path);
      current = &section;
    } else if (first == '@' || first == '"') {
      RegistryValueEntry entry;
      if (!current) {
        Note(i, fileName, "value outside any key");
        continue;
      }
      if (!ParseRegistryValue(lines_, i, entry.lineCount, entry.type)) {
        Note(i, fileName, "malformed value");
        continue;
      }
      entry.line = i;
      i += entry.lineCount - 1;
      current->lastContent = i;
      current->values.push_back(entry);
    } else if (first == '#') {
      if (current) {
        if (text.substr(0, 5) == "#link") current->isLink = true;
        if (text.substr(0, 6) == "#time=") current->timeLine = i;
        current->lastContent = i;
      } else if (text == "#arch=win64") {
        win64_ = true;
      }
    } else if (first != ';') {
      Note(i, fileName, "unrecognised line");
    }
  }
  for (size_t s = 0; s < sections_.size(); ++s) {
    const std::u16string_view key = sections_[s].folded;
    byKey_[key].push_back(s);
    for (std::u16string_view parent = ParentOf(key); !parents_.count(parent); parent = ParentOf(parent)) {
      parents_.insert(parent);
      if (parent.empty()) break;
    }
  }
}

const std::vector<size_t>* RegistryImage::SectionsOf(const std::u16string& key) const {
  const auto it = byKey_.find(key);
  return it == byKey_.end() ? nullptr : &it->second;
}

bool RegistryImage::KeyExists(const std::u16string& key) const {
  return key.empty() || SectionsOf(key) || parents_.count(key);
}

bool RegistryImage::HasSubkeys(const std::u16string& key) const { return parents_.count(key) > 0; }

RegistryValueLine RegistryImage::Decode(const RegistryValueEntry& entry) const {
  RegistryValueLine value;
  size_t count = 0;
  uint32_t type = 0;
  ParseRegistryValue(lines_, entry.line, count, type, &value);
  return value;
}

std::u16string RegistryImage::FoldedName(const RegistryValueEntry& entry) const {
  const std::string_view text = TrimmedContent(lines_[entry.line]);
  std::u16string name;
  if (text.front() == '"') UnescapeRegistryText(text.substr(1), '"', &name);
  return FoldName(name);
}

const RegistryValueEntry* RegistryImage::FindEntry(const std::u16string& key,
                                                   const std::u16string& name) const {
  const RegistryValueEntry* found = nullptr;
  if (const auto* sections = SectionsOf(key)) {
    for (const size_t s : *sections)
      for (const auto& entry : sections_[s].values)
        if (FoldedName(entry) == name) found = &entry;
  }
  return found;
}

std::optional<RegistryValueLine> RegistryImage::FindValue(const std::u16string& key,
                                                          const std::u16string& name) const {
  const RegistryValueEntry* entry = FindEntry(key, name);
  if (!entry) return std::nullopt;
  return Decode(*entry);
}

std::optional<std::u16string> RegistryImage::LinkTarget(const std::u16string& key) const {
  const auto* sections = SectionsOf(key);
  if (!sections) return std::nullopt;
  bool isLink = false;
  for (const size_t s : *sections) isLink = isLink || sections_[s].isLink;
  if (!isLink) return std::nullopt;
  const auto target = FindValue(key, FoldName(u"SymbolicLinkValue"));
  if (!target || target->type != kRegLink) return std::nullopt;
  return RegistryDataAsText(target->data);
}

void RegistryImage::Stamp(const RegistrySection& section, int64_t nowNs, std::vector<Edit>& edits) const {
  std::string keyLine(lines_[section.line].substr(0, section.keyTextEnd));
  keyLine += ' ';
  keyLine += std::to_string(nowNs / 1'000'000'000);
  edits.push_back({section.line, 1, {keyLine + eol_}});
  if (section.timeLine != std::string::npos) edits.push_back({section.timeLine, 1, {TimeLine(nowNs) + eol_}});
}

std::vector<std::string> RegistryImage::NewSection(const std::u16string& path, int64_t nowNs) const {
  std::vector<std::string> lines;
  if (!lines_.empty() && !TrimmedContent(lines_.back()).empty()) lines.push_back(eol_);
  std::string keyLine(1, '[');
  keyLine += EscapeKeyPath(NormaliseKeyPath(path));
  keyLine += "] ";
  keyLine += std::to_string(nowNs / 1'000'000'000);
  lines.push_back(keyLine + eol_);
  lines.push_back(TimeLine(nowNs) + eol_);
  return lines;
}

std::string RegistryImage::Apply(std::vector<Edit> edits, const std::vector<std::string>& appended) const {
  // In line order; an insertion goes before a removal at the same line.
  std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) {
    return a.line != b.line ? a.line < b.line : a.remove < b.remove;
  });
  std::string out;
  out.reserve(text_.size() + 256);
  size_t next = 0;
  const auto copyUpTo = [&](size_t end) {
    for (; next < end && next < lines_.size(); ++next) (out += lines_[next]) += '\n';
  };
  for (const Edit& edit : edits) {
    copyUpTo(edit.line);
    for (const auto& line : edit.insert) (out += line) += '\n';
    next = std::max(next, edit.line + edit.remove);
  }
  copyUpTo(lines_.size());
  for (const auto& line : appended) (out += line) += '\n';
  if (!finalNewline_ && appended.empty() && !out.empty()) out.pop_back();
  return out;
}

std::string RegistryImage::WithString(const std::u16string& path, const std::u16string& name,
                                      const std::u16string& data, int64_t nowNs) const {
  const std::u16string key = FoldName(NormaliseKeyPath(path));
  const std::u16string folded = FoldName(name);
  const auto* sections = SectionsOf(key);
  if (!sections) {
    auto lines = NewSection(path, nowNs);
    lines.push_back(FormatRegistryString(name, data) + eol_);
    return Apply({}, lines);
  }
  std::vector<Edit> edits;
  const RegistryValueEntry* last = FindEntry(key, folded);
  const RegistrySection* stamped = &sections_[sections->back()];
  for (const size_t s : *sections) {
    for (const auto& entry : sections_[s].values) {
      if (FoldedName(entry) != folded) continue;
      std::vector<std::string> replacement;
      if (&entry == last) {
        // The existing spelling of the name stays, as the system keeps it.
        replacement.push_back(FormatRegistryString(Decode(entry).name, data) + eol_);
        stamped = &sections_[s];
      }
      edits.push_back({entry.line, entry.lineCount, std::move(replacement)});
    }
  }
  if (!last) edits.push_back({stamped->lastContent + 1, 0, {FormatRegistryString(name, data) + eol_}});
  Stamp(*stamped, nowNs, edits);
  return Apply(std::move(edits), {});
}

std::string RegistryImage::WithoutValue(const std::u16string& key, const std::u16string& name,
                                        int64_t nowNs) const {
  std::vector<Edit> edits;
  if (const auto* sections = SectionsOf(key)) {
    for (const size_t s : *sections) {
      bool touched = false;
      for (const auto& entry : sections_[s].values) {
        if (FoldedName(entry) != name) continue;
        edits.push_back({entry.line, entry.lineCount, {}});
        touched = true;
      }
      if (touched) Stamp(sections_[s], nowNs, edits);
    }
  }
  return Apply(std::move(edits), {});
}

std::string RegistryImage::WithKey(const std::u16string& path, int64_t nowNs) const {
  return Apply({}, NewSection(path, nowNs));
}

std::string RegistryImage::WithoutKey(const std::u16string& path, int64_t nowNs) const {
  const std::u16string normalised = NormaliseKeyPath(path);
  const std::u16string key = FoldName(normalised);
  std::vector<Edit> edits;
  if (const auto* sections = SectionsOf(key)) {
    for (const size_t s : *sections) {
      const RegistrySection& section = sections_[s];
      size_t count = section.lastContent + 1 - section.line;
      // One blank line of the two around the section goes with it.
      const size_t after = section.lastContent + 1;
      if (section.line > 0 && TrimmedContent(lines_[section.line - 1]).empty() && after < lines_.size() &&
          TrimmedContent(lines_[after]).empty())
        ++count;
      edits.push_back({section.line, count, {}});
    }
  }
  // A parent that held nothing but this key would vanish with it: it keeps a section.
  std::vector<std::string> appended;
  const std::u16string parent(ParentOf(key));
  if (!parent.empty() && !SectionsOf(parent)) {
    const std::u16string prefix = parent + u'\\';
    bool otherChild = false;
    for (const auto& section : sections_)
      otherChild = otherChild || (section.folded != key && section.folded.rfind(prefix, 0) == 0);
    if (!otherChild) appended = NewSection(std::u16string(ParentOf(normalised)), nowNs);
  }
  return Apply(std::move(edits), appended);
}

}  // namespace platform::posix
