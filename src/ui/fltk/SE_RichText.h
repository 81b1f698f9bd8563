// The documents a rich edit shows: rich text read by a small reader of our own, or
// plain text. The reader knows what add-on authors' word processors write for a
// licence or a read-me:
//
//   groups { }            character and paragraph state is saved and restored
//   \par \line \tab       paragraph end, line break inside a paragraph, tab
//   \b \i \ul \ulnone     bold, italic, underline (with a 0 parameter: off)
//   \fsN \fN \cfN \plain  size in half points, font, colour table index, defaults
//   \pard \ql \qc \qr \qj paragraph defaults and alignment
//   \liN \riN \fiN \sbN \saN   indents and spacing in twips
//   \'hh \uN \ucN         a byte in the font's code page; a UTF-16 unit and the
//                         number of fallback characters that follow it
//   \fonttbl \colortbl    the font faces (with their character sets) and colours
//   \* and the destinations of pictures, objects, headers, fields' instructions,
//   style sheets, document information and the like are skipped.
//
// Anything that does not start with "{\rtf" is plain text in the system code page
// (Windows-1252), lines ending at CR LF, CR or LF. The reader trusts no number in the
// document: nesting, parameters, \bin lengths and table indices are all bounded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/SE_Colour.h"

struct TRichStyle {
  std::string Face;        // empty: the control's font face
  int32_t HalfPoints = 0;  // 0: the control's font size
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  std::optional<TRgb> Colour;  // nothing: the control's font colour
  bool operator==(const TRichStyle&) const = default;
};

// A stretch of text in one style. A line feed (U+000A) inside the text is a line
// break within the paragraph; a tab (U+0009) moves to the next tab stop.
struct TRichRun {
  std::u16string Text;
  TRichStyle Style;
};

enum class TRichAlign { Left, Center, Right, Justify };

struct TRichParagraph {
  std::vector<TRichRun> Runs;
  TRichAlign Align = TRichAlign::Left;
  // In twips (1/1440 inch); the first line's indent is relative to the left indent.
  int32_t LeftIndent = 0, RightIndent = 0, FirstIndent = 0;
  int32_t SpaceBefore = 0, SpaceAfter = 0;
  // Every character of the paragraph, for tests and measuring.
  std::u16string Text() const;
};

struct TRichDocument {
  std::vector<TRichParagraph> Paragraphs;
  bool IsRichText = false;  // false: plain text, one style throughout
  // The paragraphs' texts joined with "\n" (tests and searching).
  std::u16string Text() const;
};

// Rich text when the bytes start with "{\rtf", otherwise plain text.
TRichDocument ReadRichText(const std::vector<uint8_t>& bytes);
// A plain text: one paragraph per line (CR LF, CR or LF end a line), default style.
TRichDocument PlainTextDocument(const std::u16string& text);
bool LooksLikeRichText(const std::vector<uint8_t>& bytes);

// A byte of a Windows code page as UTF-16 (1250 and 1252 are known; others read as
// 1252). Used for \'hh and for literal bytes above 127.
char16_t CodePageChar(int codePage, uint8_t byte);
// The code page of a font character set (\fcharsetN); 0 when it has none of its own.
int CodePageOfCharset(int charset);
