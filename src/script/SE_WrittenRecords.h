// What an add-on wrote over a file it kept the original of: the size and MD5 digest of
// the content it put in place, one small text file per replaced file in the add-on's
// backup folder ("<backup>\~written\" + the file's mirrored path, holding
// "<size> <32 hex digits>"). The uninstaller gives the original back only while the
// file in place is still exactly that content: a file the game updated since, or the
// player changed, is newer than the add-on and stays.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Md5.h"

struct TFileStamp {
  uint64_t size = 0;
  platform::Md5Digest digest{};
  bool operator==(const TFileStamp&) const = default;
};

// The stamp of the file's content; nothing when it cannot be read whole.
std::optional<TFileStamp> StampOfFile(const std::string& path);

std::string FormatStamp(const TFileStamp& stamp);
// Nothing when the text is not a stamp as FormatStamp writes it.
std::optional<TFileStamp> ParseStamp(const std::string& text);

// Where the stamp of the file of the folded path is kept, below a backup folder.
std::string WrittenRecordPath(const std::string& backupFolder, const std::string& foldedPath);

// After the active run has written the file at path: when the run's backup folder
// keeps the file's original, the stamp of what is now in place is recorded beside it
// (as a change of the run, so that an undone run takes it back too). Raises
// ERunStopped when the record cannot be written and the user cancels.
void RecordWhatTheRunWrote(const std::string& path);

// The recorded stamp; nothing when there is none (a setup made before stamps were
// kept, or a file whose original was not kept), or it cannot be read.
std::optional<TFileStamp> WrittenStampOf(const std::string& backupFolder, const std::string& foldedPath);

// The prefixes of the other add-ons that keep originals in the same installation
// directory: every folder named prefix + "backup" in its trusted folder but this one's (links passed
// over), in name order.
std::vector<std::string> OtherAddOnPrefixes(const std::string& installDir, const std::string& prefix);

// Whether the file in place at path is no longer what this add-on (prefix) recorded
// writing there: another add-on has written over it since, or the game or the player
// changed it. False when this one has no record (an older setup) or the file cannot
// be read.
bool ReplacedSinceThisOneWroteIt(const std::string& installDir, const std::string& prefix,
                                 const std::string& path);

// The copy that another add-on of the installation directory kept of the file at the
// folded path and that is exactly what this one (prefix) recorded writing there: that
// add-on wrote over the file right after this one, and its "original" is this one's
// version. Nothing when this one has no record or no other add-on kept such a copy.
std::optional<std::string> CopyOfWhatThisOneWrote(const std::string& installDir, const std::string& prefix,
                                                  const std::string& foldedPath);
