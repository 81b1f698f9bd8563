// What every program of the project does first: keep DLLs planted beside it out of
// the process, take its arguments as UTF-8 texts and make its standard streams carry
// bytes as they are.
//
// On Windows a DLL loaded by bare name (by the program, or later by the common
// controls, the shell or COM) is otherwise looked for in the program's own folder
// first: Downloads, or the game folder an uninstaller runs from, where any user (and
// mod loaders) may drop "version.dll" or "msftedit.dll". Searching System32 alone,
// before anything else happens, keeps such a DLL out of an elevated process.
//
// On Windows the 8-bit argv is in the machine's ANSI code page and loses whatever does
// not fit it, so the arguments are rebuilt from the wide command line; standard output
// and error are switched to binary mode (a listing gets no "\r\n"); a windowed program
// (the setup program has no console of its own) writes to the console of the program
// that started it, or to the handles it was given when its output is redirected. On
// Linux the arguments are the host's UTF-8 texts already.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The program's arguments without the program name, in UTF-8. Restricts the DLL search
// first (RestrictLibrarySearch).
std::vector<std::string> StartProgram(int argc, char** argv);

// DLLs loaded by name come from System32 only, never from the program's folder, the
// current folder or the search path. Nothing to do on Linux.
void RestrictLibrarySearch();

}  // namespace platform
