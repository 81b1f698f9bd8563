// The Windows test machine: a temporary folder standing for drive C: (with the
// process's temporary folder beside it), and the test process's HKLM and HKCU
// redirected into a scratch key below HKCU\Software.
#include "support/TestMachine.h"

#include <windows.h>

#include <string.h>

#include <atomic>
#include <memory>
#include <stdexcept>

#include "platform/win32/WinText.h"

namespace testing_support {

namespace {

std::atomic<unsigned> sequence{0};

// A name no other test process picks: the process id, a counter and the clock.
std::wstring UniqueName(const wchar_t* stem) {
  return std::wstring(stem) + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(sequence++) +
         L"-" + std::to_wstring(GetTickCount());
}

// The host's temporary folder, as it was before any machine moved the process's one
// into itself: the tests' own folders (machines, work folders) are made there.
const std::wstring& HostTempFolder() {
  static const std::wstring folder = [] {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) throw std::runtime_error("no temporary folder");
    return std::wstring(temp, length);
  }();
  return folder;
}

std::filesystem::path MakeTempDirectory(const wchar_t* stem) {
  const std::wstring path = HostTempFolder() + UniqueName(stem);
  if (!CreateDirectoryW(path.c_str(), nullptr)) throw std::runtime_error("cannot create a temporary folder");
  return std::filesystem::path(path);
}

const wchar_t kScratchParent[] = L"Software\\SE-Tests";

// The roots a setup writes below; HKCU is redirected last, since the scratch keys of
// the others are created through it.
const struct {
  HKEY key;
  const wchar_t* name;
} kRedirectedRoots[] = {
    {HKEY_CLASSES_ROOT, L"HKCR"},
    {HKEY_LOCAL_MACHINE, L"HKLM"},
    {HKEY_CURRENT_USER, L"HKCU"},
};

// Removes a folder tree, read-only files too (remove_all stops at those on Windows).
void RemoveTree(const std::filesystem::path& root) {
  std::error_code ignored;
  for (auto it = std::filesystem::recursive_directory_iterator(root, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  std::filesystem::remove_all(root, ignored);
}

// The system's registration of its cryptographic providers: CryptoAPI reads it from
// HKLM whenever a context is acquired (the program's MD5), so the scratch HKLM gets a
// copy of it, as the sandbox machine's system part.
const wchar_t kCryptoProviders[] = L"SOFTWARE\\Microsoft\\Cryptography\\Defaults";

void CopyCryptoProviders(HKEY scratchMachine) {
  HKEY system = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCryptoProviders, 0, KEY_READ, &system) != ERROR_SUCCESS) return;
  HKEY copy = nullptr;
  if (RegCreateKeyExW(scratchMachine, kCryptoProviders, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &copy,
                      nullptr) == ERROR_SUCCESS) {
    RegCopyTreeW(system, nullptr, copy);
    RegCloseKey(copy);
  }
  RegCloseKey(system);
}

// The scratch key of this process; the roots point into it while a machine lives.
class RegistrySandbox {
 public:
  explicit RegistrySandbox(const std::wstring& name) : path_(std::wstring(kScratchParent) + L"\\" + name) {
    for (const auto& root : kRedirectedRoots) {
      HKEY scratch = nullptr;
      RegCreateKeyExW(HKEY_CURRENT_USER, (path_ + L"\\" + root.name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &scratch, nullptr);
      if (!scratch) throw std::runtime_error("cannot create the scratch registry key");
      if (root.key == HKEY_LOCAL_MACHINE) CopyCryptoProviders(scratch);
      RegOverridePredefKey(root.key, scratch);
      RegCloseKey(scratch);
    }
  }
  ~RegistrySandbox() {
    for (const auto& root : kRedirectedRoots) RegOverridePredefKey(root.key, nullptr);
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
  }

 private:
  std::wstring path_;
};

std::unique_ptr<RegistrySandbox> activeSandbox;

// The machine's own temporary folder: TMP and TEMP (which GetTempPathW reads) point
// into it while the machine lives, as a prefix's temporary folder is its own on Linux.
// Nothing a run leaves there mixes with other test processes' folders.
class TempFolderOverride {
 public:
  explicit TempFolderOverride(const std::wstring& folder) {
    for (Variable& variable : variables_) {
      wchar_t value[32768];
      const DWORD length = GetEnvironmentVariableW(variable.name, value, 32768);
      variable.had = length > 0 && length < 32768;
      if (variable.had) variable.previous.assign(value, length);
      SetEnvironmentVariableW(variable.name, folder.c_str());
    }
  }
  ~TempFolderOverride() {
    for (const Variable& variable : variables_)
      SetEnvironmentVariableW(variable.name, variable.had ? variable.previous.c_str() : nullptr);
  }

 private:
  struct Variable {
    const wchar_t* name;
    std::wstring previous;
    bool had = false;
  };
  Variable variables_[2] = {{L"TMP", {}, false}, {L"TEMP", {}, false}};
};

std::unique_ptr<TempFolderOverride> activeTempFolder;

}  // namespace

TestMachine::TestMachine() : root_(MakeTempDirectory(L"se-machine-")) {
  std::filesystem::create_directories(DriveC());
  if (activeSandbox) throw std::runtime_error("one test machine at a time");
  activeSandbox = std::make_unique<RegistrySandbox>(root_.filename().wstring());
  // Beside drive C:, not on it, so that what a test lists on C: is only its own.
  std::filesystem::create_directories(root_ / "Temp");
  activeTempFolder = std::make_unique<TempFolderOverride>((root_ / "Temp").wstring());
}

TestMachine::~TestMachine() {
  activeTempFolder.reset();
  activeSandbox.reset();
  RemoveTree(root_);
}

std::filesystem::path TestMachine::DriveC() const { return root_ / "C"; }

namespace {

// Whether path is root itself or below it, ignoring case as the file system does.
bool IsAtOrBelow(std::string_view path, const std::string& root) {
  if (path.size() < root.size() || _strnicmp(path.data(), root.data(), root.size()) != 0) return false;
  return path.size() == root.size() || path[root.size()] == '\\' || path[root.size()] == '/';
}

}  // namespace

std::string TestMachine::Path(std::string_view windowsPath) const {
  const bool onC =
      windowsPath.size() >= 2 && (windowsPath[0] == 'C' || windowsPath[0] == 'c') && windowsPath[1] == ':';
  if (!onC) return std::string(windowsPath);
  // A path already on the machine (the machine's folder is on the real drive C:) stays
  // as it is, so that a path mapped once can be handed to a helper that maps again.
  const std::string driveC = platform::win32::AnsiPathFromSystem(DriveC().wstring());
  if (IsAtOrBelow(windowsPath, driveC)) return std::string(windowsPath);
  std::string rest(windowsPath.substr(2));
  for (char& c : rest)
    if (c == '/') c = '\\';
  if (!rest.empty() && rest.front() != '\\') rest.insert(rest.begin(), '\\');
  if (rest == "\\") rest.clear();
  return driveC + rest;
}

TempDir::TempDir() : path_(MakeTempDirectory(L"se-test-")) {}

TempDir::~TempDir() { RemoveTree(path_); }

}  // namespace testing_support
