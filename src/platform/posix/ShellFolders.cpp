// Special folders as a Wine prefix records them: the user's shell folders under HKCU
// (User Shell Folders first, then the older Shell Folders), the Program Files folder
// under HKLM, with "%USERPROFILE%" and its kind expanded; Wine's defaults when a prefix
// lacks them.
#include <string>

#include "platform/Shell.h"
#include "platform/posix/RegistryStore.h"
#include "platform/posix/WindowsEnvironment.h"

namespace platform {

namespace {

constexpr char kUserShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";

struct Folder {
  int id;
  RegistryRoot root;
  const char* value;     // under the shell-folder keys, or under CurrentVersion for HKLM
  const char* fallback;  // Wine's default, before expansion
};

// The system's folder ids (CSIDL values) a setup may ask for.
const Folder kFolders[] = {
    {kFolderPrograms, RegistryRoot::CurrentUser, "Programs",
     "%APPDATA%\\Microsoft\\Windows\\Start Menu\\Programs"},
    {kFolderProgramFiles, RegistryRoot::LocalMachine, "ProgramFilesDir", "C:\\Program Files"},
    {0x05, RegistryRoot::CurrentUser, "Personal", "%USERPROFILE%\\Documents"},
    {0x07, RegistryRoot::CurrentUser, "Startup",
     "%APPDATA%\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp"},
    {0x0B, RegistryRoot::CurrentUser, "Start Menu", "%APPDATA%\\Microsoft\\Windows\\Start Menu"},
    {0x10, RegistryRoot::CurrentUser, "Desktop", "%USERPROFILE%\\Desktop"},
    {0x1A, RegistryRoot::CurrentUser, "AppData", "%APPDATA%"},
    {0x1C, RegistryRoot::CurrentUser, "Local AppData", "%LOCALAPPDATA%"},
    {0x24, RegistryRoot::None, nullptr, "%SystemRoot%"},
    {0x25, RegistryRoot::None, nullptr, "%SystemRoot%\\system32"},
    {0x2B, RegistryRoot::LocalMachine, "CommonFilesDir", "C:\\Program Files\\Common Files"},
};

std::string Recorded(const Folder& folder) {
  using posix::ReadRegistryValue;
  using posix::RegistryString;
  if (folder.root == RegistryRoot::CurrentUser) {
    if (auto path = RegistryString(ReadRegistryValue(folder.root, kUserShellFolders, folder.value)))
      return *path;
    if (auto path = RegistryString(ReadRegistryValue(folder.root, kShellFolders, folder.value))) return *path;
  } else if (folder.root == RegistryRoot::LocalMachine) {
    if (auto path = RegistryString(ReadRegistryValue(folder.root, kCurrentVersion, folder.value)))
      return *path;
  }
  return std::string();
}

}  // namespace

std::string SpecialFolderPath(int folderId) {
  for (const Folder& folder : kFolders) {
    if (folder.id != folderId) continue;
    std::string path = Recorded(folder);
    if (path.empty()) path = folder.fallback;
    path = posix::ExpandWindowsEnvironment(path);
    while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    return path;
  }
  return std::string();
}

}  // namespace platform
