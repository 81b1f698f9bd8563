// The glue between the "vfsupdate" command and game archives: storing one file group
// into an archive below the install directory, with progress, and closing the archive
// (header, digest, lookup table). At most one archive is open at a time; an update
// whose close flag is clear leaves it open for the next one, and whatever is still
// open when the script ends is closed by CloseArchiveAtEndOfRun.
#pragma once

#include <cstdint>
#include <string>

#include "gamedata/ZT_GroupEntries.h"

// Stores the group's entries into the archive named relative to the install
// directory. Returns false when the archive does not exist: the "VFS Error" box has
// been shown and the failure text set, and the run must stop after this line. An
// empty group does nothing and returns true.
bool UpdateArchive(uint16_t group, const std::string& archiveName, bool close);
// The same for a full path and any entries.
bool UpdateArchiveAt(const std::string& path, const std::string& archiveName, TGroupEntries& entries,
                     bool close);
// Flushes and closes the open archive, if any.
void CloseArchive();
bool ArchiveIsOpen();
// For the end of a run: an archive left open by the last update is flushed and
// closed, so its blocks-in-use count, digest and lookup table are current.
void CloseArchiveAtEndOfRun();
