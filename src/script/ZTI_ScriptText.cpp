#include "script/ZTI_ScriptText.h"

#include <cstdio>
#include <vector>

#include "platform/CodePage.h"
#include "script/ZTI_CommandTable.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

struct Word {
  std::string text;
  bool quoted = false;
};

// Splits one line into words; a fault text when a quote is not closed or a closing
// quote is glued to more text.
std::optional<std::string> SplitWords(std::string_view line, std::vector<Word>& words) {
  size_t i = 0;
  while (true) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) return std::nullopt;
    Word word;
    if (line[i] == '"') {
      const size_t close = line.find('"', i + 1);
      if (close == std::string_view::npos)
        return "missing closing quote in parameter " + std::to_string(words.size());
      word.text = std::string(line.substr(i + 1, close - i - 1));
      word.quoted = true;
      i = close + 1;
      if (i < line.size() && !IsBlank(line[i]))
        return "text right after a closing quote (put a blank between parameters)";
    } else {
      const size_t start = i;
      while (i < line.size() && !IsBlank(line[i])) ++i;
      word.text = std::string(line.substr(start, i - start));
    }
    words.push_back(std::move(word));
  }
}

bool IsEmptyOrComment(std::string_view text) {
  size_t first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  return first == text.size() || text[first] == ';';
}

// The first character of a UTF-8 text that the code page has no byte for (U+FFFD for
// a malformed sequence), or nothing when the text converts exactly.
std::optional<char32_t> FirstCharOutsideCodePage(std::string_view utf8) {
  if (platform::IsAscii(utf8) || platform::AnsiToUtf8(platform::Utf8ToAnsi(utf8)) == utf8)
    return std::nullopt;
  const std::u16string wide = platform::Utf8ToWide(utf8);
  for (size_t i = 0; i < wide.size(); ++i) {
    const bool pair = wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size();
    if (pair) return 0x10000 + ((char32_t(wide[i]) - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
    if (wide[i] != u'?' && platform::WideToAnsi(std::u16string_view(&wide[i], 1)) == "?") return wide[i];
  }
  return 0xFFFD;  // not reached: a text that does not convert has such a character
}

// A UTF-8 line in the code page the package holds its texts in; a fault text when a
// character has no place there (it would become "?" in a path, name, key or value).
std::optional<std::string> ConvertUtf8Line(std::string_view utf8, std::string& converted) {
  if (IsEmptyOrComment(utf8)) {
    converted.clear();  // stored as nothing
    return std::nullopt;
  }
  if (const std::optional<char32_t> outside = FirstCharOutsideCodePage(utf8)) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(*outside));
    if (*outside == 0xFFFD) return std::string("the line is not valid UTF-8 (") + code + ")";
    return std::string("character ") + code +
           " is outside the Windows-1252 code page, which the setup stores paths, names, keys and "
           "values in (texts shown to players belong in the language tables)";
  }
  converted = platform::Utf8ToAnsi(utf8);
  return std::nullopt;
}

std::optional<std::string> ParseLine(std::string_view text, int32_t index, TCompLine& line,
                                     TGameStoreIds& stores) {
  line = TCompLine{};
  if (IsEmptyOrComment(text)) return std::nullopt;

  std::vector<Word> words;
  if (auto fault = SplitWords(text, words)) return fault;
  const Word& head = words.front();
  if (words.size() == 1 && !head.quoted && head.text.back() == ':') {
    if (head.text.size() == 1) return std::string("a label needs a name before the \":\"");
    line.Command = kCommandLabel;
    line.LineNo = index;
    line.Params.push_back(head.text.substr(0, head.text.size() - 1));
    return std::nullopt;
  }
  const int32_t number = head.quoted ? 0 : CommandNumberOf(head.text);
  if (number == 0 && !head.quoted && StoreDirectiveOf(head.text)) {
    std::vector<std::string> ids;
    for (size_t w = 1; w < words.size(); ++w) ids.push_back(std::move(words[w].text));
    return AddStoreIds(stores, head.text, ids);  // the line itself runs nothing
  }
  if (number == 0) {
    std::string fault = "unknown command \"";
    fault.append(head.text).append("\"");
    if (!head.text.empty() && head.text.back() == ':') fault += " (a label stands alone on its line)";
    return fault;
  }
  const TCommandInfo& info = *CommandInfoOf(number);
  for (size_t w = 1; w < words.size(); ++w) {
    if (words[w].text.size() > kMaxParamLength)
      return "parameter " + std::to_string(w) + " is longer than 65535 bytes";
    line.Params.push_back(std::move(words[w].text));
  }
  if (line.ParamCount() < info.minParams) {
    std::string fault = "\"";
    fault.append(info.keyword).append("\" needs at least ");
    fault.append(std::to_string(info.minParams)).append(info.minParams == 1 ? " parameter" : " parameters");
    return fault.append(", found ").append(std::to_string(line.ParamCount()));
  }
  line.Command = number;
  line.LineNo = index;
  return std::nullopt;
}

}  // namespace

std::optional<TScriptTextError> ParseScriptText(std::string_view text, TCompLines& lines,
                                                TGameStoreIds* stores) {
  lines.Lines.clear();
  TGameStoreIds found;
  const bool utf8 = text.substr(0, 3) == "\xEF\xBB\xBF";
  if (utf8) text.remove_prefix(3);
  std::string converted;
  std::vector<TCompLine> parsed;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    const size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    std::string_view lineText = text.substr(start, end - start);
    if (!lineText.empty() && lineText.back() == '\r') lineText.remove_suffix(1);
    const int32_t index = static_cast<int32_t>(parsed.size());
    if (utf8) {
      if (auto fault = ConvertUtf8Line(lineText, converted)) return TScriptTextError{index + 1, *fault};
      lineText = converted;
    }
    if (parsed.size() == kMaxCompiledLines)
      return TScriptTextError{index + 1, "too many lines (a script holds at most 65535)"};
    TCompLine line;
    if (auto fault = ParseLine(lineText, index, line, found)) return TScriptTextError{index + 1, *fault};
    parsed.push_back(std::move(line));
    start = next;
  }
  lines.Lines = std::move(parsed);
  if (stores) *stores = std::move(found);
  return std::nullopt;
}
