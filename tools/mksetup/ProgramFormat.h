// Which system a program file is for, told from its first bytes: a Windows program
// starts with "MZ", a Linux one with the ELF magic. mksetup uses it to pack the
// finaliser that belongs to the setup program it appends to.
#pragma once

#include <string>

namespace mksetup {

enum class ProgramFormat { Unknown, Windows, Linux };

ProgramFormat ProgramFormatOf(const std::string& windowsPath);
const char* ProgramFormatName(ProgramFormat format);

}  // namespace mksetup
