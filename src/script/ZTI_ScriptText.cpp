#include "script/ZTI_ScriptText.h"

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

std::optional<std::string> ParseLine(std::string_view text, int32_t index, TCompLine& line,
                                     TGameStoreIds& stores) {
  line = TCompLine{};
  size_t first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  if (first == text.size() || text[first] == ';') return std::nullopt;  // empty, comment

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
  std::string converted;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") {
    converted = platform::Utf8ToAnsi(text.substr(3));
    text = converted;
  }
  std::vector<TCompLine> parsed;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    const size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    std::string_view lineText = text.substr(start, end - start);
    if (!lineText.empty() && lineText.back() == '\r') lineText.remove_suffix(1);
    const int32_t index = static_cast<int32_t>(parsed.size());
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
