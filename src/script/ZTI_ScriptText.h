// Reading a setup script's text into compiled-line form, before the packaging steps.
//
// The text is 8-bit (Windows-1252; a text that starts with a UTF-8 byte-order mark is
// read as UTF-8 and converted, and a line other than a comment with a character that
// Windows-1252 lacks is a fault), one command per line, lines ended by LF or CR LF:
//   keyword param param ...   blanks or tabs separate the words; a parameter in
//                             double quotes may hold blanks (the quotes are removed,
//                             "" is an empty parameter); keywords ignore case
//   name:                     a line whose only word ends in ":" is a label
//   ; text                    a comment; like an empty line it is stored as -1
// Each line becomes one TCompLine: Command from the command table (0 for a label,
// -1 for nothing to run), LineNo its index (-1 for -1 lines).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "script/ZTI_CompLines.h"
#include "script/ZTI_GameStores.h"

struct TScriptTextError {
  int32_t line = 0;  // 1-based, as an editor shows it
  std::string text;
};

// Fills lines from the script text. On a fault (an unknown keyword, a line below its
// command's minimum, a bad quote, a parameter over 65,535 bytes, more than 65,535
// lines, a store directive with a malformed id, a character outside the code page) the
// first fault is returned and lines is left empty. Store directive lines are stored as
// -1 lines; their ids go to stores when it is given.
std::optional<TScriptTextError> ParseScriptText(std::string_view text, TCompLines& lines,
                                                TGameStoreIds* stores = nullptr);
