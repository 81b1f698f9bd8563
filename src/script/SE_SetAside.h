// Moving a game file's original into the add-on's backup folder and back. The backup
// folder lives in the trusted folder (SE_TrustedState.h), often on another volume than
// the game (a game on D:, the trusted folder on C:), where a file cannot be renamed:
// there the original is copied and flushed instead, and a copy is put back by way of
// a whole copy beside its place that then takes the place in one step.
#pragma once

#include <string>

// Before path is replaced: its content is kept at copy (a name not in use). Moved
// there where both share a volume, else copied and put on the disk; the file then
// stays in its place until it is replaced. False (with the system's reason) when
// neither worked; nothing is left at copy then.
bool SetAsideForReplacement(const std::string& path, const std::string& copy);
// After a failed replacement: the file is in its place again (moved back, or it never
// left) and copy is gone.
void UndoSetAside(const std::string& path, const std::string& copy);
// copy takes path's place, replacing what is there, and is gone afterwards; whoever
// looks at path sees the old file or the whole copy. False (with the system's reason)
// when that cannot be done; path is then as it was.
bool PutCopyBack(const std::string& copy, const std::string& path);
