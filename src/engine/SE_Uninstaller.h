// The uninstaller writer: at the end of an installation whose setup makes an
// uninstaller, a copy of the setup program is written into the installation directory
// with a package of its own, in uninstall mode, and registered under the system's
// uninstall key.
//
//   1. HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\<ShortName>:
//      "DisplayName" = ShortName, "UninstallString" = InstallDir + "\" +
//      UninstallExeName (not quoted).
//   2. The program part of the running program's own file (the bytes before its own
//      package; the whole file when it carries none) is written to InstallDir + "\" +
//      UninstallExeName, replacing an existing file.
//   3. The first image of the package's "UNINSTALL_ICON.ICO" becomes the program's
//      icon where programs carry one (platform/ProgramIcon.h).
//   4. A package is appended to it: every group-0 entry of the setup package whose name
//      begins with "UNINSTALL_" (any letter case), other than the icon, under its name
//      without those 10 characters ("UNINSTALL_Pages.txt" -> "Pages.txt"), then
//      "SetupInfo": a copy of the setup information with Uninstall 1 and the
//      installation directory as chosen. The installer's own record is not changed.
//   5. The file is marked as a program that may be started.
//
// The program bytes come from the running program's own file, and so does their
// length: a setup started on a package named on the command line still copies
// exactly the program, without any package.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Result.h"
#include "script/ZTI_SetupInfo.h"

class TPak;

inline constexpr const char* kUninstallKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Writes the uninstaller as above, from the setup package and setup information, with
// the program bytes of programPath; returns the uninstaller's path. Raises
// ESetupError naming the file when the program cannot be read, the uninstaller cannot
// be written, or an uninstaller entry of the package cannot be read.
std::string WriteUninstaller(TPak& package, const TSetupInfo& info, const std::string& programPath);
// The program's own: SetupPak(), SetupInfoFile().Info, UninstallerProgramSource().
std::string WriteUninstaller();

// The program an uninstaller is made of: the one in the file the package was read from,
// when that file carries a program ahead of its package (a Windows setup opened by the
// Linux setup leaves a Windows uninstaller, which the prefix's own tools can run);
// else the running program (a package file alone carries none).
std::string UninstallerProgramSource(TPak& package);

// InstallDir + "\" + UninstallExeName, with one backslash between them: InstallDir
// usually ends with one already, and the path is shown to players as it is
// (UninstallString).
std::string UninstallerPath(const TSetupInfo& info);

// The length of a program file's program part: the start of the package it carries
// (its header's PakStart, when the header and table lie inside the file), else the
// file's whole size. A failure says why the file cannot be read.
platform::Result<uint64_t> ProgramPartLength(const std::string& programPath);

// The first image of an icon file (the bytes its first directory entry points at);
// nothing when the file is not an icon or the entry points outside it.
std::optional<std::vector<uint8_t>> FirstIconImage(const uint8_t* data, size_t size);
