// What an add-on wrote: the stamp (script/SE_FileStamp.h) of the content it put in
// place. Over a file it kept the original of, one small text file per replaced file in
// the add-on's backup folder ("<backup>\~written\" + the file's mirrored path, holding
// the stamp); into a file it made, a line of the add-on's made-file record
// (script/SE_MadeFileStamps.h), written once at the end of the run. The uninstaller
// gives the original back, or deletes a made file, only while the file in place is
// still exactly that content: a file the game updated since, or the player changed, is
// newer than the add-on and stays.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "script/SE_FileStamp.h"

class TSetupRun;

// Where the stamp of the replaced file of the folded path is kept, below a backup folder.
std::string WrittenRecordPath(const std::string& backupFolder, const std::string& foldedPath);

// After the active run has written the file at path (a game file it replaced or a file
// it made): the stamp of what is now in place is recorded, known (from the content the
// run wrote) or else read back (MD5 for a replaced file, CRC-32 for a made one). A replaced file's goes
// beside its original at once (as a change of the run, so that an undone run takes it back too); a made
// file's goes into the run's made-file stamps. replaced: a file was there before the write. Raises
// ERunStopped when the record cannot be written and the user cancels.
void RecordWhatTheRunWrote(const std::string& path, const std::optional<TFileStamp>& known, bool replaced);

// The run's made-file stamps become the add-on's record, in one write journalled with
// the run (an undone run leaves the earlier record). Passed over when the run neither
// made a file nor looked at the record. Raises ERunStopped as above.
void SaveMadeFileStampsOfRun();

// The recorded stamp of a replaced file; nothing when there is none (a setup made before
// stamps were kept, or a file whose original was not kept), or it cannot be read.
//
// Where both are there, the made-file line is the add-on's stamp of the file: it is
// written only while the add-on keeps no original of the file, and goes when it keeps
// one, while a replaced file's record may outlive its original (another add-on's
// uninstall dropped it) and stands only until the add-on writes the file again.
std::optional<TFileStamp> WrittenStampOf(const std::string& backupFolder, const std::string& foldedPath);

// The prefixes of the other add-ons that keep originals or records in the same
// installation directory: every folder named prefix + "backup" in its trusted folder but
// this one's (links passed over), in name order.
std::vector<std::string> OtherAddOnPrefixes(const std::string& installDir, const std::string& prefix);

// Whether the file in place at path is no longer what the run's add-on recorded writing
// there (a file it replaced or made): another add-on has written over it since, or the
// game or the player changed it. False when there is no record (an older setup) or the
// file cannot be read.
bool ReplacedSinceTheRunWroteIt(TSetupRun& run, const std::string& path);

// The copy that another add-on of the installation directory kept of the file at the
// folded path and that is exactly what the run's add-on recorded writing there: that
// add-on wrote over the file right after this one, and its "original" is this one's
// version. Nothing when this one has no record or no other add-on kept such a copy.
std::optional<std::string> CopyOfWhatTheRunWrote(TSetupRun& run, const std::string& foldedPath);
