#include "gamedata/SE_VFS.h"

#include <exception>
#include <memory>

#include "gamedata/VFS_Unit.h"
#include "gamedata/ZT_UpdateTexts.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "script/SE_Progress.h"

namespace {
std::unique_ptr<TVFSFile> gArchive;
std::string gArchiveName;
}  // namespace

bool ArchiveIsOpen() { return gArchive != nullptr; }

void CloseArchive() {
  if (!gArchive) return;
  SetStatusText(NamedText(kTextWritingHeader, gArchiveName));
  // The archive is released even when flushing fails, so a later update starts clean.
  std::unique_ptr<TVFSFile> archive = std::move(gArchive);
  archive->Flush(false);
  archive->Close();
}

void CloseArchiveAtEndOfRun() { CloseArchive(); }

bool UpdateArchiveAt(const std::string& path, const std::string& archiveName, TGroupEntries& entries,
                     bool close) {
  const size_t total = entries.Count();
  if (total == 0) return true;  // the archive is not even looked for
  if (!platform::FileExists(path)) {
    platform::ShowMessageBox("Error: Unable to find <" + archiveName + ">", "VFS Error");
    SetFinishText(NamedText(kTextFailure, archiveName), true);
    return false;
  }
  CloseArchive();
  SetStatusText(NamedText(kTextOpeningArchive, archiveName));
  if (platform::IsReadOnly(path)) platform::SetReadOnly(path, false);
  auto archive = std::make_unique<TVFSFile>();
  archive->Open(path, true);
  gArchive = std::move(archive);
  gArchiveName = archiveName;
  SetStatusText(ProgressText(archiveName, 0, int(total)));
  int lastPercent = 0;
  try {
    for (size_t processed = 0; processed < total; ++processed) {
      const int percent = int(processed * 100 / total);
      const bool redraw = percent > lastPercent;
      if (redraw) lastPercent = percent;
      SetStatusText(ProgressText(archiveName, int(processed), int(total)));
      const std::vector<uint8_t> content = entries.Content(processed);
      gArchive->Tree().PutFile(entries.Name(processed), content.data(), content.size());
      StepProgress(redraw);
    }
  } catch (...) {
    if (close) {
      try {
        CloseArchive();
      } catch (...) {
        // The first error is the one to report.
      }
    }
    throw;
  }
  if (close) CloseArchive();
  return true;
}
