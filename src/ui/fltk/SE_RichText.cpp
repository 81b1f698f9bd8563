// The rich-text reader: a byte cursor over the document, a stack of group states, and
// the output paragraphs. Font and colour tables are read into their own lists; every
// other destination we do not show is skipped to the end of its group.
#include "ui/fltk/SE_RichText.h"

#include <algorithm>
#include <array>
#include <map>
#include <string_view>

#include "platform/CodePage.h"

namespace {

constexpr size_t kMaxDepth = 256;         // deeper groups are skipped whole
constexpr size_t kMaxWordLength = 32;     // longer control words are unknown
constexpr int32_t kMaxTwips = 1440 * 20;  // indents and spacing: 20 inches at most
constexpr int32_t kDefaultHalfPoints = 24;

// Destinations whose text is not part of the document.
constexpr std::array<std::string_view, 38> kSkipped = {
    "annotation",   "atnauthor",         "atnid",     "author",     "bkmkend",  "bkmkstart",
    "buptim",       "comment",           "creatim",   "datastore",  "doccomm",  "fldinst",
    "footer",       "footerf",           "footerl",   "footerr",    "footnote", "generator",
    "header",       "headerf",           "headerl",   "headerr",    "info",     "keywords",
    "latentstyles", "listoverridetable", "listtable", "nonshppict", "object",   "operator",
    "pict",         "printim",           "revtim",    "rsidtbl",    "shp",      "stylesheet",
    "themedata",    "xmlnstbl",
};

struct TSymbolWord {
  std::string_view word;
  char16_t ch;
};
constexpr TSymbolWord kSymbols[] = {
    {"bullet", 0x2022},  {"endash", 0x2013},    {"emdash", 0x2014},    {"lquote", 0x2018},
    {"rquote", 0x2019},  {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"enspace", 0x2002},
    {"emspace", 0x2003}, {"qmspace", 0x2005},
};

enum class TDest { Text, FontTable, ColourTable, Skip };

struct TParaProps {
  TRichAlign align = TRichAlign::Left;
  int32_t left = 0, right = 0, first = 0, before = 0, after = 0;
};

struct TState {
  TDest dest = TDest::Text;
  TRichStyle style;  // Face is resolved from fontIndex when text is added
  int32_t fontIndex = -1;
  int32_t ucSkip = 1;
  TParaProps para;
};

struct TFontEntry {
  std::string name;
  int32_t charset = 0;
};

bool IsLetter(uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }
int HexValue(uint8_t c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class TRtfReader {
 public:
  explicit TRtfReader(const std::vector<uint8_t>& in) : in_(in) {}
  TRichDocument Read();

 private:
  void OpenGroup();
  void CloseGroup();
  void ReadControl();
  void ControlWord(std::string_view word, bool hasParam, int32_t param);
  bool CharacterWord(std::string_view word, bool hasParam, int32_t param);
  bool ParagraphWord(std::string_view word, bool hasParam, int32_t param);
  void Byte(uint8_t byte);
  void Char(char16_t c);
  void TableText(char16_t c);
  void EndParagraph();
  void ResetCharacterStyle();
  int CodePage() const;

  const std::vector<uint8_t>& in_;
  size_t pos_ = 0;
  std::vector<TState> stack_;
  size_t skippedDepth_ = 0;  // groups beyond kMaxDepth still open
  TState st_;
  std::map<int32_t, TFontEntry> fonts_;
  int32_t fontBeingRead_ = -1;
  std::vector<std::optional<TRgb>> colours_;
  TRgb colour_;
  bool colourSet_ = false;
  int32_t defaultFont_ = 0;
  int ansiCodePage_ = 1252;
  int32_t pendingSkip_ = 0;  // fallback characters of the last \u still to drop
  TRichDocument doc_;
  TRichParagraph paragraph_;
};

TRichDocument TRtfReader::Read() {
  doc_.IsRichText = true;
  ResetCharacterStyle();
  while (pos_ < in_.size()) {
    const uint8_t c = in_[pos_++];
    if (skippedDepth_ > 0) {
      // Inside groups nested too deeply: only the braces count.
      if (c == '{') ++skippedDepth_;
      else if (c == '}') --skippedDepth_;
      else if (c == '\\' && pos_ < in_.size()) ++pos_;
      continue;
    }
    switch (c) {
      case '{': OpenGroup(); break;
      case '}': CloseGroup(); break;
      case '\\': ReadControl(); break;
      case '\r':
      case '\n': break;  // line ends in the source are not text
      default: Byte(c); break;
    }
  }
  if (!paragraph_.Runs.empty() || doc_.Paragraphs.empty()) EndParagraph();
  return doc_;
}

void TRtfReader::OpenGroup() {
  pendingSkip_ = 0;
  if (stack_.size() >= kMaxDepth) {
    skippedDepth_ = 1;
    return;
  }
  stack_.push_back(st_);
}

void TRtfReader::CloseGroup() {
  pendingSkip_ = 0;
  if (st_.dest == TDest::FontTable) fontBeingRead_ = -1;
  if (stack_.empty()) return;  // an unbalanced brace changes nothing
  st_ = stack_.back();
  stack_.pop_back();
}

void TRtfReader::ReadControl() {
  if (pos_ >= in_.size()) return;
  const uint8_t c = in_[pos_];
  if (!IsLetter(c)) {
    ++pos_;
    switch (c) {
      case '\'': {
        const int hi = pos_ < in_.size() ? HexValue(in_[pos_]) : -1;
        const int lo = pos_ + 1 < in_.size() ? HexValue(in_[pos_ + 1]) : -1;
        if (hi < 0 || lo < 0) return;
        pos_ += 2;
        Byte(static_cast<uint8_t>(hi * 16 + lo));
        return;
      }
      case '\\':
      case '{':
      case '}': Byte(c); return;
      case '~': Char(0x00A0); return;
      case '_': Char(0x2011); return;
      case '*': st_.dest = TDest::Skip; return;
      case '\r':
      case '\n': ControlWord("par", false, 0); return;
      default: return;  // \- optional hyphen, \| \: and the like show nothing
    }
  }
  std::string word;
  while (pos_ < in_.size() && IsLetter(in_[pos_])) {
    if (word.size() < kMaxWordLength + 1) word.push_back(static_cast<char>(in_[pos_]));
    ++pos_;
  }
  bool negative = false;
  if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() && IsDigit(in_[pos_ + 1])) {
    negative = true;
    ++pos_;
  }
  bool hasParam = false;
  int64_t value = 0;
  while (pos_ < in_.size() && IsDigit(in_[pos_])) {
    hasParam = true;
    value = std::min<int64_t>(value * 10 + (in_[pos_] - '0'), int64_t{1} << 32);
    ++pos_;
  }
  if (negative) value = -value;
  value = std::clamp<int64_t>(value, INT32_MIN, INT32_MAX);
  if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;  // the delimiting blank
  if (word.size() > kMaxWordLength) return;
  ControlWord(word, hasParam, static_cast<int32_t>(value));
}

void TRtfReader::ControlWord(std::string_view word, bool hasParam, int32_t param) {
  if (word == "bin") {
    // Binary data of the given length follows; it is never text.
    const size_t length = hasParam && param > 0 ? static_cast<size_t>(param) : 0;
    pos_ += std::min(length, in_.size() - pos_);
    return;
  }
  if (word == "u" && hasParam) {
    // Parameters of \u are signed 16-bit; negative values stand for 32768..65535.
    Char(static_cast<char16_t>(static_cast<uint16_t>(param)));
    pendingSkip_ = st_.ucSkip;
    return;
  }
  pendingSkip_ = 0;
  if (std::find(kSkipped.begin(), kSkipped.end(), word) != kSkipped.end()) {
    st_.dest = TDest::Skip;
    return;
  }
  if (word == "fonttbl") {
    st_.dest = TDest::FontTable;
    return;
  }
  if (word == "colortbl") {
    st_.dest = TDest::ColourTable;
    colourSet_ = false;
    return;
  }
  if (st_.dest == TDest::FontTable) {
    if (word == "f" && hasParam) fonts_[fontBeingRead_ = param].name.clear();
    else if (word == "fcharset" && fontBeingRead_ >= 0) fonts_[fontBeingRead_].charset = param;
    return;
  }
  if (st_.dest == TDest::ColourTable) {
    const uint8_t v = static_cast<uint8_t>(std::clamp(param, 0, 255));
    if (word == "red") colour_.r = v, colourSet_ = true;
    else if (word == "green") colour_.g = v, colourSet_ = true;
    else if (word == "blue") colour_.b = v, colourSet_ = true;
    return;
  }
  if (word == "ansicpg" && hasParam) {
    ansiCodePage_ = param;
    return;
  }
  if (word == "deff" && hasParam) {
    defaultFont_ = st_.fontIndex = param;
    return;
  }
  if (word == "uc" && hasParam) {
    st_.ucSkip = std::clamp(param, 0, 16);
    return;
  }
  if (CharacterWord(word, hasParam, param) || ParagraphWord(word, hasParam, param)) return;
  for (const TSymbolWord& s : kSymbols)
    if (word == s.word) return Char(s.ch);
}

bool TRtfReader::CharacterWord(std::string_view word, bool hasParam, int32_t param) {
  const bool on = !hasParam || param != 0;
  TRichStyle& s = st_.style;
  if (word == "plain") ResetCharacterStyle();
  else if (word == "b") s.Bold = on;
  else if (word == "i") s.Italic = on;
  else if (word == "ulnone") s.Underline = false;
  else if (word == "ul" || word == "uld" || word == "uldash" || word == "uldb" || word == "ulw" ||
           word == "ulwave" || word == "ulth")
    s.Underline = on;
  else if (word == "fs") s.HalfPoints = hasParam && param > 0 ? std::min(param, 3276) : kDefaultHalfPoints;
  else if (word == "f" && hasParam) st_.fontIndex = param;
  else if (word == "cf") {
    const bool known = hasParam && param > 0 && static_cast<size_t>(param) < colours_.size();
    s.Colour = known ? colours_[static_cast<size_t>(param)] : std::nullopt;
  } else return false;
  return true;
}

bool TRtfReader::ParagraphWord(std::string_view word, bool hasParam, int32_t param) {
  TParaProps& p = st_.para;
  const int32_t twips = hasParam ? std::clamp(param, -kMaxTwips, kMaxTwips) : 0;
  if (word == "par" || word == "sect" || word == "page" || word == "row") EndParagraph();
  else if (word == "line") Char(u'\n');
  else if (word == "tab" || word == "cell") Char(u'\t');
  else if (word == "pard") p = TParaProps{};
  else if (word == "ql") p.align = TRichAlign::Left;
  else if (word == "qc") p.align = TRichAlign::Center;
  else if (word == "qr") p.align = TRichAlign::Right;
  else if (word == "qj") p.align = TRichAlign::Justify;
  else if (word == "li") p.left = twips;
  else if (word == "ri") p.right = twips;
  else if (word == "fi") p.first = twips;
  else if (word == "sb") p.before = std::max(twips, 0);
  else if (word == "sa") p.after = std::max(twips, 0);
  else return false;
  return true;
}

void TRtfReader::ResetCharacterStyle() {
  st_.style = TRichStyle{};
  st_.style.HalfPoints = kDefaultHalfPoints;
  st_.fontIndex = defaultFont_;
}

int TRtfReader::CodePage() const {
  const auto font = fonts_.find(st_.fontIndex);
  const int own = font == fonts_.end() ? 0 : CodePageOfCharset(font->second.charset);
  return own ? own : ansiCodePage_;
}

void TRtfReader::Byte(uint8_t byte) {
  if (pendingSkip_ > 0) {
    --pendingSkip_;
    return;
  }
  if (st_.dest == TDest::Text) return Char(CodePageChar(CodePage(), byte));
  // Table names are 8-bit text in the program's code page.
  TableText(CodePageChar(1252, byte));
}

void TRtfReader::TableText(char16_t c) {
  if (st_.dest == TDest::FontTable && fontBeingRead_ >= 0) {
    TFontEntry& font = fonts_[fontBeingRead_];
    if (c == u';') {
      while (!font.name.empty() && font.name.back() == ' ') font.name.pop_back();
      fontBeingRead_ = -1;
    } else if (!(font.name.empty() && c == u' ')) {
      font.name += platform::WideToAnsi(std::u16string(1, c));
    }
  } else if (st_.dest == TDest::ColourTable && c == u';') {
    colours_.push_back(colourSet_ ? std::optional<TRgb>(colour_) : std::nullopt);
    colour_ = TRgb{};
    colourSet_ = false;
  }
}

void TRtfReader::Char(char16_t c) {
  if (st_.dest != TDest::Text) return TableText(c);
  TRichStyle style = st_.style;
  const auto font = fonts_.find(st_.fontIndex);
  if (font != fonts_.end()) style.Face = font->second.name;
  if (paragraph_.Runs.empty() || !(paragraph_.Runs.back().Style == style))
    paragraph_.Runs.push_back({u"", style});
  paragraph_.Runs.back().Text.push_back(c);
}

void TRtfReader::EndParagraph() {
  const TParaProps& p = st_.para;
  paragraph_.Align = p.align;
  paragraph_.LeftIndent = p.left;
  paragraph_.RightIndent = p.right;
  paragraph_.FirstIndent = p.first;
  paragraph_.SpaceBefore = p.before;
  paragraph_.SpaceAfter = p.after;
  doc_.Paragraphs.push_back(std::move(paragraph_));
  paragraph_ = TRichParagraph{};
}

}  // namespace

std::u16string TRichParagraph::Text() const {
  std::u16string text;
  for (const TRichRun& run : Runs) text += run.Text;
  return text;
}

std::u16string TRichDocument::Text() const {
  std::u16string text;
  for (size_t i = 0; i < Paragraphs.size(); ++i) {
    if (i) text += u'\n';
    text += Paragraphs[i].Text();
  }
  return text;
}

bool LooksLikeRichText(const std::vector<uint8_t>& bytes) {
  static constexpr std::string_view kMark = "{\\rtf";
  return bytes.size() >= kMark.size() && std::equal(kMark.begin(), kMark.end(), bytes.begin());
}

TRichDocument PlainTextDocument(const std::u16string& text) {
  TRichDocument doc;
  TRichParagraph paragraph;
  auto finish = [&] {
    doc.Paragraphs.push_back(std::move(paragraph));
    paragraph = TRichParagraph{};
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      finish();
      continue;
    }
    if (paragraph.Runs.empty()) paragraph.Runs.push_back({});
    paragraph.Runs.back().Text.push_back(c);
  }
  finish();
  return doc;
}

TRichDocument ReadRichText(const std::vector<uint8_t>& bytes) {
  if (LooksLikeRichText(bytes)) return TRtfReader(bytes).Read();
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return PlainTextDocument(platform::AnsiToWide(text));
}
