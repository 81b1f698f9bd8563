// Shell helpers: shortcuts (Shell Link files), the shell's special folders and the
// first CD-ROM drive.
#pragma once

#include <string>

// Creates the shortcut file at linkPath (its directory first, recording what is
// created). The icon location is set only when iconPath differs from the target.
// False when the link file cannot be written.
bool CreateShortcut(const std::string& linkPath, const std::string& target, const std::string& arguments,
                    int iconIndex, const std::string& iconPath, int showCommand,
                    const std::string& workingDirectory);
// Icon index 0, no icon, a normal window, working in the target's directory.
bool CreateShortcutSimple(const std::string& linkPath, const std::string& target,
                          const std::string& arguments);
// The same with an icon file.
bool CreateShortcutWithIcon(const std::string& linkPath, const std::string& target,
                            const std::string& arguments, const std::string& iconPath);

// The shell's path for a special folder (kFolderProgramFiles, kFolderPrograms of
// platform/Shell.h), without a trailing "\"; empty when the shell has none.
std::string SpecialFolder(int folderId);

// The root ("E:\") of the first drive, in the system's order, that is a CD-ROM
// drive; empty when there is none.
std::string FirstCDDrive();
