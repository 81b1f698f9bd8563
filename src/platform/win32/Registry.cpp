// The registry on the Win32 API. A 32-bit program sees the 32-bit view of
// HKLM\Software (Wow6432Node) by itself, as the setup expects.
#include "platform/Registry.h"

#include <windows.h>

#include <vector>

#include "platform/win32/WinText.h"

namespace platform {

namespace {

thread_local std::string lastError;

HKEY RootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::CurrentUser: return HKEY_CURRENT_USER;
    case RegistryRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::Users: return HKEY_USERS;
    case RegistryRoot::CurrentConfig: return HKEY_CURRENT_CONFIG;
    case RegistryRoot::None: break;
  }
  return nullptr;
}

std::string Describe(RegistryRoot root, const std::string& path) {
  static const char* const names[] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER",
                                      "HKEY_CLASSES_ROOT", "HKEY_USERS", "HKEY_CURRENT_CONFIG"};
  const int code = static_cast<int>(root);
  return std::string(code >= 0 && code <= 4 ? names[code] : "(no root)") +
         (path.empty() ? "" : "\\" + path);
}

// Records why an operation failed and leaves the system's code for the caller.
bool Failed(const std::string& what, LSTATUS status) {
  lastError = what + ": " + win32::ErrorText(static_cast<DWORD>(status));
  SetLastError(static_cast<DWORD>(status));
  return false;
}

}  // namespace

struct RegistryKey::State {
  RegistryRoot root;
  std::string path;
  HKEY key = nullptr;
  ~State() {
    if (key) RegCloseKey(key);
  }
};

RegistryKey::RegistryKey() = default;
RegistryKey::~RegistryKey() = default;
RegistryKey::RegistryKey(RegistryKey&& other) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept = default;

RegistryKey RegistryKey::Open(RegistryRoot root, const std::string& path, bool create) {
  RegistryKey result;
  const HKEY base = RootKey(root);
  if (!base) {
    lastError = "no such registry root for " + Describe(root, path);
    return result;
  }
  const std::wstring subKey = win32::Wide(path);
  HKEY key = nullptr;
  LSTATUS status;
  if (create) {
    status = RegCreateKeyExW(base, subKey.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                             &key, nullptr);
  } else {
    status = RegOpenKeyExW(base, subKey.c_str(), 0, KEY_READ | KEY_WRITE, &key);
    // A key this user may only read still opens for reading.
    if (status == ERROR_ACCESS_DENIED) status = RegOpenKeyExW(base, subKey.c_str(), 0, KEY_READ, &key);
  }
  if (status != ERROR_SUCCESS) {
    Failed(status == ERROR_FILE_NOT_FOUND ? "the key " + Describe(root, path) + " does not exist"
                                          : "cannot open " + Describe(root, path),
           status);
    return result;
  }
  result.state_ = std::make_unique<State>();
  result.state_->root = root;
  result.state_->path = path;
  result.state_->key = key;
  lastError.clear();
  return result;
}

bool RegistryKey::IsOpen() const { return state_ != nullptr; }

std::optional<std::string> RegistryKey::ReadString(const std::string& name) const {
  if (!state_) return std::nullopt;
  const std::wstring valueName = win32::Wide(name);
  DWORD type = 0, size = 0;
  LSTATUS status = RegQueryValueExW(state_->key, valueName.c_str(), nullptr, &type, nullptr, &size);
  std::vector<BYTE> data;
  while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    data.resize(size + sizeof(wchar_t));
    status = RegQueryValueExW(state_->key, valueName.c_str(), nullptr, &type, data.data(), &size);
    if (status == ERROR_SUCCESS) break;
  }
  if (status != ERROR_SUCCESS) {
    Failed("the value \"" + name + "\" of " + Describe(state_->root, state_->path) +
               " cannot be read",
           status);
    return std::nullopt;
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  // Up to the first 0; a value stored without one ends with its data.
  const auto* text = reinterpret_cast<const wchar_t*>(data.data());
  std::wstring value(text, size / sizeof(wchar_t));
  const size_t nul = value.find(L'\0');
  if (nul != std::wstring::npos) value.resize(nul);
  return win32::Ansi(value);
}

bool RegistryKey::WriteString(const std::string& name, const std::string& data) {
  if (!state_) return false;
  const std::wstring value = win32::Wide(data);
  const LSTATUS status = RegSetValueExW(state_->key, win32::Wide(name).c_str(), 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(value.c_str()),
                                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  if (status != ERROR_SUCCESS)
    return Failed("cannot write \"" + name + "\" of " + Describe(state_->root, state_->path), status);
  return true;
}

bool RegistryKey::DeleteValue(const std::string& name) {
  if (!state_) return false;
  const LSTATUS status = RegDeleteValueW(state_->key, win32::Wide(name).c_str());
  if (status != ERROR_SUCCESS)
    return Failed("the value \"" + name + "\" of " + Describe(state_->root, state_->path) +
                      " cannot be deleted",
                  status);
  return true;
}

void RegistryKey::Close() { state_.reset(); }

bool DeleteRegistryKey(RegistryRoot root, const std::string& path) {
  const HKEY base = RootKey(root);
  if (!base || path.empty()) {
    lastError = "cannot delete " + Describe(root, path);
    return false;
  }
  // RegDeleteKeyW removes only a key without sub-keys, as the program expects.
  const LSTATUS status = RegDeleteKeyW(base, win32::Wide(path).c_str());
  if (status != ERROR_SUCCESS) return Failed("cannot delete " + Describe(root, path), status);
  return true;
}

std::string LastRegistryError() { return lastError; }

}  // namespace platform
