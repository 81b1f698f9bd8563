// The registry on the Win32 API. A 32-bit program sees the 32-bit view of
// HKLM\Software (Wow6432Node) by itself, as the setup expects, so no view flag is
// ever given.
//
// Every failure leaves the system's code in GetLastError() and says in its Status
// which key or value it was and the system's reason.
#include "platform/Registry.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/win32/WinText.h"

namespace platform {

namespace {

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
  static const char* const names[] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT",
                                      "HKEY_USERS", "HKEY_CURRENT_CONFIG"};
  const int code = static_cast<int>(root);
  return std::string(code >= 0 && code <= 4 ? names[code] : "(no root)") + (path.empty() ? "" : "\\" + path);
}

std::string DescribeValue(const std::string& name, RegistryRoot root, const std::string& path) {
  return "the value \"" + name + "\" of " + Describe(root, path);
}

// The key path as the system takes it: scripts write "Software\\Game\\" or
// "\Software\Game", and the system refuses a leading or doubled separator, so empty
// parts are dropped.
std::wstring SystemKeyPath(const std::string& path) {
  const std::wstring wide = win32::Wide(path);
  std::wstring out;
  size_t start = 0;
  while (start <= wide.size()) {
    size_t end = wide.find(L'\\', start);
    if (end == std::wstring::npos) end = wide.size();
    if (end > start) {
      if (!out.empty()) out += L'\\';
      out.append(wide, start, end - start);
    }
    start = end + 1;
  }
  return out;
}

// Says why an operation failed and leaves the system's code for the caller.
Status Failed(const std::string& what, LSTATUS status) {
  SetLastError(static_cast<DWORD>(status));
  return Status::Failure(what + ": " + win32::ErrorText(static_cast<DWORD>(status)));
}

// A failure the program finds without asking the system (no root, no open key).
Status Refused(const std::string& what, DWORD code) {
  SetLastError(code);
  return Status::Failure(what);
}

bool HasSubKeys(HKEY base, const std::wstring& subKey) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(base, subKey.c_str(), 0, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, &key) != ERROR_SUCCESS)
    return false;
  DWORD subKeys = 0;
  const LSTATUS status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                                          nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(key);
  return status == ERROR_SUCCESS && subKeys > 0;
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

Result<RegistryKey> RegistryKey::Open(RegistryRoot root, const std::string& path, bool create) {
  const HKEY base = RootKey(root);
  if (!base) return Refused("no such registry root for " + Describe(root, path), ERROR_INVALID_HANDLE);
  const std::wstring subKey = SystemKeyPath(path);
  HKEY key = nullptr;
  LSTATUS status;
  if (create) {
    status =
        RegCreateKeyExW(base, subKey.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
  } else {
    status = RegOpenKeyExW(base, subKey.c_str(), 0, KEY_READ | KEY_WRITE, &key);
  }
  // A key this user may only read still opens, for reading: its values can be read,
  // and a write says why it is refused.
  if (status == ERROR_ACCESS_DENIED) {
    const LSTATUS readOnly = RegOpenKeyExW(base, subKey.c_str(), 0, KEY_READ, &key);
    if (readOnly == ERROR_SUCCESS) status = readOnly;
  }
  if (status != ERROR_SUCCESS)
    return Failed(status == ERROR_FILE_NOT_FOUND ? "the key " + Describe(root, path) + " does not exist"
                                                 : "cannot open " + Describe(root, path),
                  status);
  RegistryKey result;
  result.state_ = std::make_unique<State>();
  result.state_->root = root;
  result.state_->path = path;
  result.state_->key = key;
  return result;
}

bool RegistryKey::IsOpen() const { return state_ != nullptr; }

Result<std::string> RegistryKey::ReadString(const std::string& name) const {
  if (!state_) return Refused("no registry key is open to read \"" + name + "\"", ERROR_INVALID_HANDLE);
  const std::wstring valueName = win32::Wide(name);
  DWORD type = 0;
  DWORD size = 0;
  LSTATUS status = RegQueryValueExW(state_->key, valueName.c_str(), nullptr, &type, nullptr, &size);
  std::vector<BYTE> data;
  // The value may grow between the two calls; then the size is asked again.
  while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    data.assign(size + sizeof(wchar_t), 0);
    size = static_cast<DWORD>(data.size());
    status = RegQueryValueExW(state_->key, valueName.c_str(), nullptr, &type, data.data(), &size);
    if (status == ERROR_SUCCESS) break;
  }
  if (status != ERROR_SUCCESS)
    return Failed(status == ERROR_FILE_NOT_FOUND
                      ? DescribeValue(name, state_->root, state_->path) + " does not exist"
                      : DescribeValue(name, state_->root, state_->path) + " cannot be read",
                  status);
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    return Refused(DescribeValue(name, state_->root, state_->path) + " is not a string",
                   ERROR_DATATYPE_MISMATCH);
  // Up to the first 0; a value stored without one ends with its data (an odd last
  // byte is no character). REG_EXPAND_SZ stays unexpanded, as it is stored.
  std::wstring value(size / sizeof(wchar_t), L'\0');
  std::copy(data.begin(), data.begin() + value.size() * sizeof(wchar_t),
            reinterpret_cast<BYTE*>(value.data()));
  const size_t nul = value.find(L'\0');
  if (nul != std::wstring::npos) value.resize(nul);
  return win32::Ansi(value);
}

Status RegistryKey::WriteString(const std::string& name, const std::string& data) {
  if (!state_) return Refused("no registry key is open to write \"" + name + "\"", ERROR_INVALID_HANDLE);
  const std::wstring value = win32::Wide(data);
  const LSTATUS status = RegSetValueExW(state_->key, win32::Wide(name).c_str(), 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(value.c_str()),
                                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  if (status != ERROR_SUCCESS)
    return Failed("cannot write " + DescribeValue(name, state_->root, state_->path), status);
  return Status::Success();
}

Status RegistryKey::DeleteValue(const std::string& name) {
  if (!state_) return Refused("no registry key is open to delete \"" + name + "\"", ERROR_INVALID_HANDLE);
  const LSTATUS status = RegDeleteValueW(state_->key, win32::Wide(name).c_str());
  if (status != ERROR_SUCCESS)
    return Failed(status == ERROR_FILE_NOT_FOUND
                      ? DescribeValue(name, state_->root, state_->path) + " does not exist"
                      : DescribeValue(name, state_->root, state_->path) + " cannot be deleted",
                  status);
  return Status::Success();
}

void RegistryKey::Close() { state_.reset(); }

Status DeleteRegistryKey(RegistryRoot root, const std::string& path) {
  const HKEY base = RootKey(root);
  const std::wstring subKey = SystemKeyPath(path);
  // An empty path would name the root itself.
  if (!base || subKey.empty())
    return Refused("cannot delete " + Describe(root, path), ERROR_INVALID_PARAMETER);
  // RegDeleteKeyW removes only a key without sub-keys, as the program expects.
  const LSTATUS status = RegDeleteKeyW(base, subKey.c_str());
  if (status == ERROR_SUCCESS) return Status::Success();
  if (status == ERROR_FILE_NOT_FOUND)
    return Failed("the key " + Describe(root, path) + " does not exist", status);
  if (status == ERROR_ACCESS_DENIED && HasSubKeys(base, subKey))
    return Failed("the key " + Describe(root, path) + " has sub-keys", status);
  return Failed("cannot delete " + Describe(root, path), status);
}

std::string RegistryDamageAt(RegistryRoot, const std::string&) { return {}; }

bool RegistryHeldByRunningServer() { return false; }

}  // namespace platform
