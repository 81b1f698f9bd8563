/* A DLL an attacker would plant beside a program: loaded, it appends its own file
   name to the file that SE_PLANTED_MARK names, so a test sees that (and which) it was
   loaded. It exports nothing the program could use. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t mark[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(L"SE_PLANTED_MARK", mark, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  wchar_t self[MAX_PATH];
  const DWORD selfLength = GetModuleFileNameW(instance, self, MAX_PATH);
  HANDLE file = CreateFileW(mark, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return TRUE;
  DWORD written = 0;
  WriteFile(file, self, selfLength * sizeof(wchar_t), &written, NULL);
  WriteFile(file, L"\n", sizeof(wchar_t), &written, NULL);
  CloseHandle(file);
  return TRUE;
}
