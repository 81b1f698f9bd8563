// Running a built program on Windows: CreateProcessW with its standard output and
// error going to files, standard input from NUL.
#include "support/RunProgram.h"

#include <windows.h>

#include <cstdlib>

#include "platform/CodePage.h"
#include "support/HostFiles.h"
#include "support/TestMachine.h"

namespace testing_support {

namespace {

std::wstring WideUtf8(const std::string& text) {
  const std::u16string wide = platform::Utf8ToWide(text);
  return std::wstring(wide.begin(), wide.end());
}

// One argument quoted so that the program's command-line splitting gives it back.
std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

HANDLE InheritableFile(const std::wstring& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

std::string ProgramPath(const std::string& name) {
  const char* binDir = std::getenv("SE_BIN_DIR");
  return std::string(binDir && *binDir ? binDir : SE_BINARY_DIR "/bin") + "/" + name + ".exe";
}

ProgramResult RunProgram(const std::string& name, const std::vector<std::string>& args) {
  return RunProgramAt(ProgramPath(name), args);
}

ProgramResult RunProgramAt(const std::string& program, const std::vector<std::string>& args) {
  TempDir scratch;
  const std::filesystem::path outPath = scratch.Path() / "out", errPath = scratch.Path() / "err";
  std::wstring commandLine = Quoted(WideUtf8(program));
  for (const auto& arg : args) commandLine += L" " + Quoted(WideUtf8(arg));

  ProgramResult result;
  HANDLE out = InheritableFile(outPath.wstring(), GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE err = InheritableFile(errPath.wstring(), GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE in = InheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  const std::wstring application = WideUtf8(program);
  if (CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                     nullptr, nullptr, &startup, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code)) result.status = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  for (HANDLE handle : {out, err, in})
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  result.out = ReadHostFile(outPath);
  result.err = ReadHostFile(errPath);
  return result;
}

}  // namespace testing_support
