// Texts at the edge of the Win32 API. The program's 8-bit texts are Windows-1252 and
// every system call takes UTF-16 (the W functions; never the A ones, whose code page
// is the machine's and not ours). Paths the system hands back may hold characters the
// code page lacks (a user named in Cyrillic); those are given in their short 8.3 form,
// which is plain ASCII and names the same file.
#pragma once

#include <windows.h>

// windows.h names some of its functions as macros that would rename ours.
#undef AnsiLower
#undef AnsiUpper
#undef FatalAppExit

#include <string>
#include <string_view>

namespace platform::win32 {

// Windows-1252 -> UTF-16 for the W functions.
std::wstring Wide(std::string_view ansi);
// UTF-16 -> Windows-1252; characters outside it become '?'.
std::string Ansi(std::wstring_view wide);
bool FitsCodePage(std::wstring_view wide);

// A path the system gave us, as an 8-bit path that names the same file: the path as
// it is when it fits the code page, else its short form (or, when the volume keeps no
// short names, the lossy conversion).
std::string AnsiPathFromSystem(const std::wstring& path);

// The system's text for an error code (GetLastError) as an 8-bit text, without the
// trailing full stop and new line.
std::string ErrorText(DWORD code);

}  // namespace platform::win32
