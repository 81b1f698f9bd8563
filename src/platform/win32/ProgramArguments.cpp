// Arguments from the wide command line, binary standard streams, and the parent's
// console for a windowed program.
#include "platform/ProgramArguments.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "platform/CodePage.h"

namespace platform {

namespace {

bool HasUsableHandle(DWORD which) {
  const HANDLE handle = GetStdHandle(which);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// A windowed program started from a console has no standard handles: it borrows the
// console of its parent, so the records and messages of an unattended run reach
// whoever started it. Handles it was given (a redirection) are kept as they are.
void ReachParentConsole() {
  const bool out = HasUsableHandle(STD_OUTPUT_HANDLE);
  const bool err = HasUsableHandle(STD_ERROR_HANDLE);
  if (out && err) return;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  SetConsoleOutputCP(CP_UTF8);
  if (!out) std::freopen("CONOUT$", "w", stdout);
  if (!err) std::freopen("CONOUT$", "w", stderr);
}

std::vector<std::string> WideArguments() {
  std::vector<std::string> arguments;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return arguments;
  for (int i = 1; i < count; ++i) {
    const std::wstring argument(wide[i]);
    arguments.push_back(WideToUtf8(std::u16string(argument.begin(), argument.end())));
  }
  LocalFree(wide);
  return arguments;
}

}  // namespace

void RestrictLibrarySearch() {
  // Looked up, not imported: a system without it (before the 2011 loader update) would
  // not start the program at all. There the program's folder stays first in the
  // search, but the current folder at least is taken out.
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(
                                       GetProcAddress(kernel, "SetDefaultDllDirectories")))
                                 : nullptr;
  if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryW(L"");
}

std::vector<std::string> StartProgram(int, char**) {
  RestrictLibrarySearch();
  ReachParentConsole();
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  _setmode(_fileno(stdin), _O_BINARY);
  return WideArguments();
}

}  // namespace platform
