#include "lang/ZTI_Language.h"

#include <algorithm>
#include <optional>

#include "lang/SE_UnicodeStrList.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"

namespace {

bool IsBlank(char16_t c) { return c <= u' '; }

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The runtime's integer conversion: an optional sign, then decimal digits or "$" and
// hex digits; a value that does not fit in 32 bits is not a number.
std::optional<int64_t> ParseInteger(std::u16string_view s, bool hexOnly = false) {
  bool negative = false;
  if (!hexOnly && !s.empty() && (s[0] == u'-' || s[0] == u'+')) {
    negative = s[0] == u'-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (hexOnly) {
    base = 16;
  } else if (!s.empty() && s[0] == u'$') {
    base = 16;
    s.remove_prefix(1);
  }
  if (s.empty()) return std::nullopt;
  int64_t value = 0;
  for (char16_t c : s) {
    const int d = HexDigit(c);
    if (d < 0 || d >= base) return std::nullopt;
    value = value * base + d;
    if (value > 0xFFFFFFFFLL) return std::nullopt;
  }
  if (base == 10 && value > (negative ? 0x80000000LL : 0x7FFFFFFFLL)) return std::nullopt;
  return negative ? -value : value;
}

[[noreturn]] void ThrowAtLine(const std::string& entryName, size_t lineNumber, const std::string& problem) {
  const std::string table = entryName.empty() ? "Language table" : "Language table \"" + entryName + "\"";
  throw platform::ESetupError(table + ", line " + std::to_string(lineNumber) + ": " + problem);
}

// The conversion error's text; a long text is cut so the message stays readable.
std::string NotAnInteger(std::u16string_view text) {
  constexpr size_t kShown = 40;
  std::string message = "'";
  message += platform::WideToAnsi(text.substr(0, kShown));
  if (text.size() > kShown) message += "...";
  message += "' is not a valid integer value";
  return message;
}

std::vector<uint16_t> ParseIdentifiers(std::u16string_view line, const std::string& entryName) {
  std::vector<uint16_t> ids;
  const auto parseOne = [&](std::u16string_view text) {
    const auto value = ParseInteger(Trim(text), /*hexOnly=*/true);
    if (!value) ThrowAtLine(entryName, 2, NotAnInteger(text));
    ids.push_back(static_cast<uint16_t>(*value));
  };
  if (line.find(u';') == std::u16string_view::npos) {
    parseOne(line);
    return ids;
  }
  // Every identifier is followed by ";"; text after the last ";" is an identifier
  // without its separator, which the format does not allow.
  while (!line.empty()) {
    const size_t semicolon = line.find(u';');
    parseOne(semicolon == std::u16string_view::npos ? std::u16string_view() : line.substr(0, semicolon));
    line.remove_prefix(semicolon + 1);
  }
  return ids;
}

TLID ParseNumberedLine(std::u16string_view raw, size_t lineNumber, const std::string& entryName) {
  const std::u16string_view line = Trim(raw);
  size_t split = line.size();
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == u'"') quoted = !quoted;
    if (!quoted && (line[i] == u' ' || line[i] == u'\t')) {
      split = i;
      break;
    }
  }
  std::u16string number(line.substr(0, split));
  number.erase(std::remove(number.begin(), number.end(), u'"'), number.end());
  const auto value = ParseInteger(number);
  if (!value) ThrowAtLine(entryName, lineNumber, NotAnInteger(number));
  std::u16string_view text = split < line.size() ? line.substr(split + 1) : std::u16string_view();
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return TLID{static_cast<uint16_t>(*value), std::u16string(text)};
}

// Tags nested deeper than this, or expansions that grow past the size bound, are
// left as written: a table cannot make the expansion run away.
constexpr int kMaxTagDepth = 256;
constexpr size_t kMaxExpandedSize = size_t{1} << 22;

}  // namespace

void TLanguage::LoadFromBuffer(const uint8_t* data, size_t size, const std::string& entryName) {
  TUnicodeStringList lines;
  lines.LoadFromBuffer(data, size);
  if (lines.Count() < 2)
    ThrowAtLine(entryName, lines.Count() + 1,
                lines.Count() == 0 ? "the table has no name line" : "the table has no identifier line");
  TLanguage loaded;
  loaded.Name = lines.GetString(0);
  loaded.LanguageIds = ParseIdentifiers(lines.GetString(1), entryName);
  for (size_t i = 2; i < lines.Count(); ++i)
    loaded.Texts.push_back(ParseNumberedLine(lines.GetString(i), i + 1, entryName));
  *this = std::move(loaded);
}

void TLanguages::AddLanguage(const uint8_t* data, size_t size, const std::string& entryName) {
  TLanguage language;
  language.LoadFromBuffer(data, size, entryName);
  Languages.push_back(std::move(language));
}

int32_t TLanguages::FindLanguage(uint16_t languageId) const {
  for (size_t i = 0; i < Languages.size(); ++i) {
    const auto& ids = Languages[i].LanguageIds;
    if (std::find(ids.begin(), ids.end(), languageId) != ids.end()) return static_cast<int32_t>(i);
  }
  return -1;
}

void TLanguages::SelectLanguage(uint16_t systemLanguageId) {
  const int32_t found = FindLanguage(systemLanguageId);
  CurrentLanguage = found < 0 ? 0 : found;
}

std::u16string TLanguages::GetText(uint16_t number) const {
  if (CurrentLanguage >= 0 && static_cast<size_t>(CurrentLanguage) < Languages.size()) {
    for (const TLID& item : Languages[CurrentLanguage].Texts)
      if (item.Number == number) return item.Text;
  }
  return u"NOT FOUND " + platform::AnsiToWide(std::to_string(number));
}

namespace {

struct TagExpander {
  const TLanguages& languages;
  std::vector<uint16_t> active;  // numbers whose texts are being expanded
  size_t produced = 0;

  void Expand(std::u16string_view text, std::u16string& out) {
    static constexpr std::u16string_view kTag = u"<LANG";
    size_t pos = 0;
    for (;;) {
      const size_t at = text.find(kTag, pos);
      if (at == std::u16string_view::npos) break;
      const size_t close = text.find(u'>', at + kTag.size());
      const std::u16string_view digits = close == std::u16string_view::npos
                                             ? text.substr(at + kTag.size())
                                             : text.substr(at + kTag.size(), close - at - kTag.size());
      const auto value = close == std::u16string_view::npos ? std::nullopt : ParseInteger(digits);
      if (!value)
        throw platform::ESetupError("Language tag \"" + platform::WideToAnsi(text.substr(at, 40)) +
                                    "\": " + NotAnInteger(digits));
      const auto number = static_cast<uint16_t>(*value);
      out.append(text.substr(pos, at - pos));
      const bool cyclic = std::find(active.begin(), active.end(), number) != active.end();
      if (cyclic || active.size() >= kMaxTagDepth || produced > kMaxExpandedSize) {
        out.append(text.substr(at, close + 1 - at));  // left as written
      } else {
        const std::u16string substituted = languages.GetText(number);
        produced += substituted.size();
        active.push_back(number);
        Expand(substituted, out);
        active.pop_back();
      }
      pos = close + 1;
    }
    out.append(text.substr(pos));
  }
};

}  // namespace

std::u16string TLanguages::ExpandLanguageTags(std::u16string_view text) const {
  if (CurrentLanguage >= 0 && static_cast<size_t>(CurrentLanguage) >= Languages.size())
    return std::u16string(text);
  if (Languages.empty()) return std::u16string(text);
  std::u16string out;
  TagExpander{*this, {}, 0}.Expand(text, out);
  return out;
}

TLanguages& Languages() {
  static TLanguages languages;
  return languages;
}

bool IsLanguageEntryName(std::string_view entryName) {
  return entryName.size() >= 9 && platform::AsciiUpper(entryName.substr(0, 9)) == "LANGUAGE-";
}
