// Where the runs of a game folder keep what a later, elevated run acts on: in the
// program's trusted folder (platform/TrustedFolder.h), which only administrators can
// change, never in the game folder, which any user may be able to write.
//
//   <trusted>\<key>\run.lock              the lock one run of the folder holds at a time
//   <trusted>\<key>\<prefix>run.journal   the run journal of the add-on with that prefix
//   <trusted>\<key>\<prefix>backup\       the originals of the game files it replaced
//   <trusted>\<key>\<prefix>uninstall.journal  the steps its uninstaller has begun
//
// key: the 32 hexadecimal digits of the MD5 of the game folder's path, lower-cased
// (A-Z) and without a trailing backslash, so that every spelling of one folder meets
// in one place and the add-ons of one folder sit side by side.
//
// Setups made before kept their backups in the game folder, as prefix + "backup"
// (LegacyBackupFolder); see SE_LegacyBackups.h for how they are still honoured.
#pragma once

#include <string>

#include "platform/Result.h"

// The game folder's state folder; raises ESetupError when the trusted folder cannot
// be used. Nothing is made below the trusted folder itself.
std::string GameFolderStatePath(const std::string& installDir);
// The same, made when missing; a failure names the folder and the reason.
platform::Status MakeGameFolderState(const std::string& installDir);

// The lock file of the game folder's runs.
std::string RunLockPath(const std::string& installDir);
// The journal of the add-on's uninstallation (engine/SE_UninstallRun.h).
std::string UninstallJournalPath(const std::string& installDir, const std::string& prefix);
// InstallDir (without trailing "\") + "\" + prefix + "backup": where setups made before
// this version kept their originals.
std::string LegacyBackupFolder(const std::string& installDir, const std::string& prefix);

// A game folder moved (or renamed) from oldDir to newDir since the add-on with prefix
// was installed: the records kept for the old place move to the new one (all of the
// folder's, or this add-on's backups when the new place has records of its own), so
// that the uninstaller finds the originals it is to put back.
platform::Status FollowMovedGameFolder(const std::string& oldDir, const std::string& newDir,
                                       const std::string& prefix);
