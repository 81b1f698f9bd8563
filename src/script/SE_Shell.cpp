#include "script/SE_Shell.h"

#include "platform/Drives.h"
#include "platform/Shell.h"
#include "platform/ShellLink.h"
#include "script/SE_FileHelpers.h"
#include "script/SE_RunFiles.h"
#include "script/SE_TextHelpers.h"

bool CreateShortcut(const std::string& linkPath, const std::string& target, const std::string& arguments,
                    int iconIndex, const std::string& iconPath, int showCommand,
                    const std::string& workingDirectory) {
  ForceDirectory(ExtractFileDir(linkPath));
  platform::ShellLink link;
  link.target = target;
  link.arguments = arguments;
  link.workingDirectory = workingDirectory;
  link.showCommand = showCommand;
  if (iconPath != target) {
    link.iconPath = iconPath;
    link.iconIndex = iconIndex;
  }
  // Written beside and put in place like every file of the run; a failure asks
  // Retry/Cancel.
  WriteFileOfRun(linkPath, [&](const std::string& temp) { return platform::WriteShellLink(temp, link); });
  return true;
}

bool CreateShortcutSimple(const std::string& linkPath, const std::string& target,
                          const std::string& arguments) {
  return CreateShortcut(linkPath, target, arguments, 0, target, 1, ExtractFileDir(target));
}

bool CreateShortcutWithIcon(const std::string& linkPath, const std::string& target,
                            const std::string& arguments, const std::string& iconPath) {
  return CreateShortcut(linkPath, target, arguments, 0, iconPath, 1, ExtractFileDir(target));
}

std::string SpecialFolder(int folderId) { return platform::SpecialFolderPath(folderId); }

std::string FirstCDDrive() {
  for (const std::string& root : platform::LogicalDriveRoots())
    if (platform::DriveTypeOf(root) == platform::DriveType::CdRom) return root;
  return {};
}
