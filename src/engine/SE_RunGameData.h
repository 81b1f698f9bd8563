// The game packages and archives a setup run changes, tied to the run's journal.
//
// While a run is active, every update of a game package or archive keeps its rollback
// journal instead of deleting it, and the first update of each file notes the file in
// the run's journal (a 'G' record). Undoing the run plays that file's journal back;
// committing it deletes the journals. A run that was killed left both journals on the
// disk: the next start undoes the run through the same hooks (the game file's journal
// is played back as a hot one) or, when the run had finished, deletes them.
#pragma once

// Installs the run's hooks for game files; safe to call again.
void InstallGameDataRunHooks();
// Game-file updates from now on keep their journals for the active run.
void BeginGameDataOfRun();
// After the run was committed or undone: updates delete their journals again.
void EndGameDataOfRun();
