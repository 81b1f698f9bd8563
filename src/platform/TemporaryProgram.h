// Starting a program the running program carries (the uninstaller's finaliser) from
// a copy on disk, without giving anyone else a chance to change that copy first.
//
// The copy goes into a new folder with a random name inside the temporary folder,
// made exclusively (a folder already there is never taken over) and writable only by
// this user, administrators and the system. The file is created new in it, and on
// Windows it is held open against writers until the program has started. Afterwards
// the copy is removed: on Linux as soon as an ELF program has started (its image
// stays with the process; a Windows program, which wine reads after the start, stays
// in the user's own temporary folder); on Windows the file and its folder are scheduled for
// removal at the next restart, since a running program's file cannot be deleted.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Writes the bytes as fileName in a new private folder and starts them with the
// parameters. False (with the system's reason in LastErrorText) when nothing could be
// started; what was written is then removed.
bool StartTemporaryProgram(const std::string& fileName, const void* bytes, size_t size,
                           const std::string& parameters);

// The private folders it makes are named so: the prefix and 16 random hex digits.
inline constexpr const char* kTemporaryProgramFolderPrefix = "SetupRun-";

}  // namespace platform
