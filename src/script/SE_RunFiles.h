// Writing a file for the run, never in place: the content goes to a temporary file
// beside the target, which then takes the target's place in one step, so no
// truncated or half-written file is ever left where the add-on writes one. Inside a
// setup run (SE_RunChanges.h) each step is journalled first, and a file the run
// replaces that it did not create itself is moved aside as its original.
//
// A file that cannot be written (read-only, locked, access denied, disk full, I/O
// error) asks Retry/Cancel, naming the file and the system's reason; Cancel raises
// ERunStopped. The writers below never return without the file in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/Files.h"

// What becomes of the original of a replaced file.
enum class TOriginal {
  KeepForUninstall,  // a game file: the uninstaller puts it back
  UndoOnly,          // the setup's own bookkeeping: kept only until the run ends
};

// writer(tempPath) writes the whole content to tempPath (a new file); false when a
// write failed (the system's last file error says why).
void WriteFileOfRun(const std::string& path, const std::function<bool(const std::string& tempPath)>& writer,
                    TOriginal original = TOriginal::KeepForUninstall);
// The content as bytes (none: an empty file).
void WriteBytesOfRun(const std::string& path, const uint8_t* data, size_t count,
                     TOriginal original = TOriginal::KeepForUninstall);
// fill writes the content into the open temporary file; false when a write failed.
// It may be called again on a fresh file after Retry.
void WriteFileOfRunFrom(const std::string& path, const std::function<bool(platform::File&)>& fill,
                        TOriginal original = TOriginal::KeepForUninstall);

// Creates the missing directories of path as ForceDirectory does, journalling each
// within a run, but without recording them for the uninstaller (folders the run
// needs for itself, as the backup folder).
void MakeDirectoriesOfRun(const std::string& path);
