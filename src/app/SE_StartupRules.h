// The rules start-up applies to the package before the wizard runs: the fixed stop
// messages, the renamed-file check and the space an installation needs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TPakFile;

// Start-up's stops: a message box with this caption and text, then exit status 2.
struct TStartupStop {
  const char* caption;
  std::string text;
};

TStartupStop InvalidHeaderStop();
// A package whose layout or compression this program does not know.
TStartupStop NewerToolStop();
TStartupStop VerificationFailedStop(uint32_t index, const std::string& name);
TStartupStop SetupInfoMissingStop();
TStartupStop InstallLogMissingStop();
TStartupStop CompiledLinesMissingStop();
TStartupStop CompiledLinesCorruptStop();
TStartupStop RenamedStop(const std::string& expected, const std::string& found);
TStartupStop NoInstallDirStop();
TStartupStop NoPagesStop();
// A data file of a split setup that is missing, short, long or not its own.
TStartupStop DataFileStop(const std::string& fault);

// A file name with every bracketed group whose content is empty or only the digits 1
// to 9 removed, first for "(" ")" and then for "[" "]": "setup(1).exe" and
// "setup[2].exe" become "setup.exe"; "setup(10).exe", "setup (1).exe" (the blank
// stays) and "setup(a).exe" keep theirs; an unclosed bracket and all after it stay.
std::string NormaliseSetupFileName(std::string_view name);
// True when the program's own file name (any case, copies numbered by a browser
// accepted) is the setup executable name the package expects.
bool SetupFileNameMatches(std::string_view ownFileName, std::string_view expected);
// Where a split setup's data files are: beside the program, named after it as it was
// published, before a browser numbered a copy ("Addon_Setup(1).exe" looks for
// "Addon_Setup-1.bin"). The program's path without the extension, so normalised.
std::string DataFileStemOfSetup(const std::string& programPath);

// The bytes an installation writes: for each entry of a group some command owns,
// OrigSize for a group of files, the stored size for a group of update data (OrigSize
// when the entry is stored as it is). Group 0 and groups no command owns count nothing.
uint64_t RequiredSpace(const std::vector<TPakFile>& entries, const std::vector<bool>& groupIsUpdate);
