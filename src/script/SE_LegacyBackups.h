// Installations made by setups before this version kept the originals of replaced
// game files in the game folder, as prefix + "backup" (LegacyBackupFolder), where any
// user who can write to the game folder could have planted or changed them. Their own
// uninstallers still work as they always did. When this setup runs over such an
// installation, it takes the originals over into the add-on's backup folder in the
// trusted folder, so that its own uninstaller puts them back, but only the originals
// of files inside the installation directory that its install log names: putting
// one of those back gives a user nothing he could not do himself, whereas an
// "original" for a file outside (C:\Windows\...) could be anything. The old folder is
// walked without entering links; what is not taken over goes with it when the run
// has finished.
#pragma once

#include <string>
#include <unordered_set>

class TSetupRun;

// Moves the originals over as above, each recorded in the run's journal first, so
// that an undone run leaves them where they were. installedFiles: the folded file
// items of the installation's install log, lower-cased.
void TakeOverLegacyBackups(TSetupRun& run, const std::unordered_set<std::string>& installedFiles);
// After a finished run: the old folder goes (a link in its place as a link).
void RemoveLegacyBackups(const std::string& installDir, const std::string& prefix);

// Whether a folded file item names a file inside the installation directory
// ("$INSTDIR" and a relative name that cannot climb out of it).
bool IsInsideInstallDir(const std::string& foldedItem);
