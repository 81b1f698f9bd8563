// The shell on the Win32 API: programs started through their default action and their
// exit codes read back, the folders the shell names, and the icon written into a copy
// of a program built here.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/ProgramIcon.h"
#include "platform/Shell.h"
#include "platform/win32/WinText.h"
#include "support/TestMachine.h"

namespace platform {
namespace {

using testing_support::TempDir;

// The folder's 8-bit path; the test folders are plain ASCII.
std::string Folder(const TempDir& dir) { return win32::Ansi(dir.Path().wstring()); }

void WriteText(const std::string& path, const std::string& text) {
  ASSERT_TRUE(WriteFileBytes(path, text.data(), text.size())) << path;
}

// Polls until the process ends; std::nullopt after a minute means it never did.
std::optional<uint32_t> WaitForExit(ProcessHandle& process) {
  for (int i = 0; i < 6000; ++i) {
    if (process.HasEnded()) return process.ExitCode();
    Sleep(10);
  }
  return std::nullopt;
}

TEST(ProcessWin32, ExitCodesOfStartedProgramsAreReadBack) {
  TempDir dir;
  // A folder whose name has a space and a byte above 127, as players' folders do.
  const std::string folder = Folder(dir) + "\\Caf\xE9 Tests";
  ASSERT_TRUE(MakeDirectory(folder));
  WriteText(folder + "\\first.bat", "@exit /b %1\r\n");
  WriteText(folder + "\\second.bat", "@exit /b %2\r\n");
  const struct {
    std::string file;
    std::string parameters;
    uint32_t code;
  } cases[] = {
      {folder + "\\first.bat", "0", 0},
      {folder + "\\first.bat", "7", 7},
      {folder + "\\first.bat", "1000", 1000},  // more than a byte: Windows keeps it whole
      {folder + "\\second.bat", "\"two words\" 4", 4},
      {"cmd.exe", "/c exit 9", 9},  // found on the system's search path
      // The code GetExitCodeProcess also gives for "still running": ended all the same.
      {folder + "\\first.bat", "259", kStillActive},
  };
  for (const auto& test : cases) {
    ProcessHandle process;
    ASSERT_TRUE(StartWithDefaultAction(test.file, test.parameters, &process))
        << test.file << ": " << win32::ErrorText(GetLastError());
    ASSERT_TRUE(process.IsValid()) << test.file;
    EXPECT_EQ(WaitForExit(process), std::optional<uint32_t>(test.code))
        << test.file << " " << test.parameters;
    EXPECT_EQ(process.ExitCode(), test.code);  // asked again after the end
  }
}

TEST(ProcessWin32, AStartedProgramRunsInTheCurrentDirectory) {
  TempDir dir;
  const std::string work = Folder(dir) + "\\work";
  const std::string tools = Folder(dir) + "\\tools";
  ASSERT_TRUE(MakeDirectory(work));
  ASSERT_TRUE(MakeDirectory(tools));
  WriteText(tools + "\\where.bat", "@cd > \"%~dp0where.txt\"\r\n");
  wchar_t previous[MAX_PATH + 1] = {};
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH + 1, previous), 0u);
  ASSERT_TRUE(SetCurrentDirectoryW(win32::Wide(work).c_str()));
  ProcessHandle process;
  const bool started = StartWithDefaultAction(tools + "\\where.bat", "", &process);
  const std::optional<uint32_t> code = started ? WaitForExit(process) : std::nullopt;
  SetCurrentDirectoryW(previous);
  ASSERT_TRUE(started);
  EXPECT_EQ(code, std::optional<uint32_t>(0u));
  const auto written = ReadWholeFile(tools + "\\where.txt");
  ASSERT_TRUE(written);
  std::string text(written->begin(), written->end());
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  EXPECT_EQ(CompareStringOrdinal(win32::Wide(text).c_str(), -1, win32::Wide(work).c_str(), -1, TRUE),
            CSTR_EQUAL)
      << text;
}

TEST(ProcessWin32, AProgramBeyondTheClassicPathLimitStarts) {
  TempDir dir;
  std::string folder = Folder(dir);
  while (folder.size() < MAX_PATH + 20) {
    folder += "\\" + std::string(40, static_cast<char>('a' + folder.size() % 26));
    ASSERT_TRUE(MakeDirectory(folder)) << folder.size();
  }
  const std::string program = folder + "\\exit code.bat";
  WriteText(program, "@exit /b 5\r\n");
  ProcessHandle process;
  ASSERT_TRUE(StartWithDefaultAction(program, "", &process)) << win32::ErrorText(GetLastError());
  EXPECT_EQ(WaitForExit(process), std::optional<uint32_t>(5u));
}

TEST(ProcessWin32, NothingToStartIsRefusedWithTheSystemsReason) {
  TempDir dir;
  for (const std::string& file : {Folder(dir) + "\\missing.exe", std::string()}) {
    ProcessHandle process;
    SetLastError(0);
    EXPECT_FALSE(StartWithDefaultAction(file, "", &process)) << file;
    EXPECT_NE(GetLastError(), 0u) << file;
    EXPECT_FALSE(process.IsValid());
    EXPECT_EQ(process.ExitCode(), 0u);
  }
}

TEST(ProcessWin32, AHandleMovesAndLetsTheProgramGoWhenReleased) {
  ProcessHandle first;
  ASSERT_TRUE(StartWithDefaultAction("cmd.exe", "/c exit 3", &first));
  ProcessHandle moved(std::move(first));
  EXPECT_FALSE(first.IsValid());
  ASSERT_TRUE(moved.IsValid());
  ProcessHandle assigned;
  ASSERT_TRUE(StartWithDefaultAction("cmd.exe", "/c exit 4", &assigned));
  assigned = std::move(moved);  // the program of the exit code 4 is let go
  EXPECT_EQ(WaitForExit(assigned), 3u);
  assigned.Release();
  EXPECT_FALSE(assigned.IsValid());
  EXPECT_EQ(assigned.ExitCode(), 0u);
  // Started without keeping: nothing to poll, nothing left open.
  EXPECT_TRUE(StartWithDefaultAction("cmd.exe", "/c exit 0"));
}

std::string Environment(const wchar_t* name) {
  wchar_t value[MAX_PATH + 1] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH + 1);
  return length > 0 && length <= MAX_PATH ? win32::Ansi(value) : std::string();
}

bool SamePath(const std::string& a, const std::string& b) {
  return CompareStringOrdinal(win32::Wide(a).c_str(), -1, win32::Wide(b).c_str(), -1, TRUE) == CSTR_EQUAL;
}

TEST(ShellFoldersWin32, TheShellsFoldersComeWithoutTrailingBackslash) {
  const std::string windows = Environment(L"SystemRoot");
  ASSERT_FALSE(windows.empty());
  // What the system's environment says of the same folders (a 32-bit program on a
  // 64-bit system gets "Program Files (x86)" in both).
  const struct {
    int id;
    std::string expected;
  } cases[] = {
      {kFolderProgramFiles, Environment(L"ProgramFiles")},
      {0x24, windows},                  // the Windows folder
      {0x25, windows + "\\system32"},   // the system folder
      {0x1A, Environment(L"APPDATA")},  // the user's application data
  };
  for (const auto& test : cases) {
    const std::string path = SpecialFolderPath(test.id);
    EXPECT_TRUE(SamePath(path, test.expected)) << test.id << ": " << path << " vs " << test.expected;
    EXPECT_TRUE(DirectoryExists(path)) << path;
  }
  const std::string programs = SpecialFolderPath(kFolderPrograms);
  ASSERT_GT(programs.size(), 3u);
  EXPECT_NE(programs.back(), '\\');
  EXPECT_TRUE(SamePath(programs.substr(0, programs.rfind('\\')), SpecialFolderPath(0x0B)))  // Start menu
      << programs;
  // A folder id the shell does not know has no path.
  EXPECT_EQ(SpecialFolderPath(0xFF), "");
}

TEST(ShellFoldersWin32, AFolderTheProfileDoesNotHaveYetIsStillNamed) {
  const std::string real = SpecialFolderPath(kFolderPrograms);
  testing_support::TestMachine machine;  // HKCU is the scratch key now
  const std::string missing = machine.Path("C:\\Profile\\Start Menu\\Programs");
  ASSERT_FALSE(DirectoryExists(missing));
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER,
                            L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", 0,
                            nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const std::wstring value = win32::Wide(missing);
  RegSetValueExW(key, L"Programs", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  const std::string named = SpecialFolderPath(kFolderPrograms);
  if (named == real) GTEST_SKIP() << "this shell does not read the folder from the registry again";
  EXPECT_TRUE(SamePath(named, missing)) << named;
  EXPECT_FALSE(DirectoryExists(missing));  // named, not created
}

// The resource a program file holds as icon number 1, read as a data file.
std::optional<std::vector<uint8_t>> IconOf(const std::string& program) {
  const HMODULE module = LoadLibraryExW(win32::Wide(program).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return std::nullopt;
  std::optional<std::vector<uint8_t>> result;
  if (const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), RT_ICON)) {
    const auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(module, resource)));
    if (data) result.emplace(data, data + SizeofResource(module, resource));
  }
  FreeLibrary(module);
  return result;
}

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 31 + seed);
  return bytes;
}

TEST(ProgramIconWin32, TheImageBecomesIconOneOfACopyOfABuiltProgram) {
  TempDir dir;
  const std::string program = Folder(dir) + "\\copy.exe";
  ASSERT_TRUE(CopyFileOverwriting(OwnExecutablePath(), program));
  // The standard icon's first image, then a smaller and a much larger one: the
  // resources must shrink and grow inside a program linked by mingw.
  const auto icon = ReadWholeFile(SE_SOURCE_DIR "/data/layout/uninstall/icon.ico");
  ASSERT_TRUE(icon && icon->size() > 22);
  const uint32_t imageSize = (*icon)[14] | (*icon)[15] << 8 | (*icon)[16] << 16 | (*icon)[17] << 24;
  const uint32_t imageOffset = (*icon)[18] | (*icon)[19] << 8 | (*icon)[20] << 16 | (*icon)[21] << 24;
  ASSERT_LE(uint64_t(imageOffset) + imageSize, icon->size());
  const std::vector<uint8_t> images[] = {
      std::vector<uint8_t>(icon->begin() + imageOffset, icon->begin() + imageOffset + imageSize),
      Pattern(1128, 1),
      Pattern(300000, 2),
  };
  for (const auto& image : images) {
    ASSERT_TRUE(SetProgramIconImage(program, image.data(), image.size()))
        << image.size() << ": " << win32::ErrorText(GetLastError());
    const auto stored = IconOf(program);
    ASSERT_TRUE(stored) << image.size();
    EXPECT_TRUE(*stored == image) << image.size() << " bytes written, " << stored->size() << " read";
  }
  // The changed program still starts and runs.
  ProcessHandle process;
  ASSERT_TRUE(StartWithDefaultAction(program, "--gtest_filter=NoSuchTest", &process));
  EXPECT_EQ(WaitForExit(process), 0u);
}

TEST(ProgramIconWin32, AFileThatTakesNoIconIsLeftAsItWas) {
  TempDir dir;
  const std::string text = Folder(dir) + "\\notes.exe";
  WriteText(text, "not a program at all");
  const std::vector<uint8_t> image = Pattern(1000, 3);
  SetLastError(0);
  EXPECT_FALSE(SetProgramIconImage(text, image.data(), image.size()));
  EXPECT_NE(GetLastError(), 0u);
  const auto after = ReadWholeFile(text);
  ASSERT_TRUE(after);
  EXPECT_EQ(std::string(after->begin(), after->end()), "not a program at all");

  EXPECT_FALSE(SetProgramIconImage(Folder(dir) + "\\missing.exe", image.data(), image.size()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(FileExists(Folder(dir) + "\\missing.exe"));

  const std::string program = Folder(dir) + "\\copy.exe";
  ASSERT_TRUE(CopyFileOverwriting(OwnExecutablePath(), program));
  const auto before = ReadWholeFile(program);
  EXPECT_FALSE(SetProgramIconImage(program, image.data(), 0));
  EXPECT_FALSE(SetProgramIconImage(program, nullptr, 10));
  EXPECT_TRUE(ReadWholeFile(program) == before);
}

}  // namespace
}  // namespace platform
