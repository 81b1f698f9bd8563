// What the commands' run steps share: the compiled line being run, its parameters
// (a missing one reads as empty, so a short line never reads past its list) and the
// write-back of expanded parameters into the line.
#pragma once

#include <cstdint>
#include <string>

#include "script/ZTI_CompLines.h"

// The line at lineIndex of the program's compiled lines. Raises ESetupError when the
// index names no line (the setup thread passes only indices of the list).
TCompLine& RunLine(int32_t lineIndex);

// Parameter i of the line, or an empty text when the line has fewer.
const std::string& Param(const TCompLine& line, int32_t i);

// Parameter i with its path variables expanded. The expanded text is written back
// into the line, so a jump back to the line sees it; a missing parameter stays
// missing and reads as empty.
std::string ExpandParamInPlace(TCompLine& line, int32_t i);

// The file group a grouping line (file, ztpupdate, vfsupdate) owns: its last
// parameter, which the packaging step appended. Raises ESetupError naming the line when
// it is not a group number.
uint16_t GroupOfLine(const TCompLine& line);

// Language text number with "<%FILENAME%>" replaced by the name (texts 17, 18).
std::u16string TextWithFileName(uint16_t number, const std::string& name);
