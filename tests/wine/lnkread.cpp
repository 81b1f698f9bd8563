// lnkread LINK: reads a shell link through the system's own shell (IShellLinkW) and
// prints its target, arguments and working folder, one "field<TAB>value" line each,
// in UTF-8. The Wine end-to-end test uses it to check that the shell reads the links
// the setup writes.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  return out;
}

}  // namespace

int main() {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args || count != 2) {
    std::fprintf(stderr, "usage: lnkread LINK\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  int status = 1;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      SUCCEEDED(file->Load(args[1], STGM_READ))) {
    wchar_t text[MAX_PATH * 4];
    WIN32_FIND_DATAW found;
    if (SUCCEEDED(link->GetPath(text, MAX_PATH * 4, &found, SLGP_RAWPATH)))
      std::printf("target\t%s\n", Utf8(text).c_str());
    if (SUCCEEDED(link->GetArguments(text, MAX_PATH * 4))) std::printf("arguments\t%s\n", Utf8(text).c_str());
    if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH * 4)))
      std::printf("folder\t%s\n", Utf8(text).c_str());
    status = 0;
  } else {
    std::fprintf(stderr, "lnkread: the shell cannot read %s\n", Utf8(args[1]).c_str());
  }
  if (file) file->Release();
  if (link) link->Release();
  CoUninitialize();
  return status;
}
