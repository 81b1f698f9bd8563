// The three operations of the package updater: adding a file group, setting the
// official flag, and a second name for an entry's stored bytes.
#include <exception>

#include "gamedata/ZT_PakSystem.h"
#include "gamedata/ZT_UpdateTexts.h"
#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "script/SE_Progress.h"

void TPakSystem::UpdatePackageAt(const std::string& path, const std::string& packageName,
                                 const std::string& password, TGroupEntries& entries) {
  entriesWritten_ = 0;
  const size_t total = entries.Count();
  if (total == 0) return;  // the package is not even opened
  PackageName = packageName;
  path_ = path;
  writeFailed_ = false;
  OpenForUpdate(path);
  ReadPackage();
  // The password is checked before anything is written, so a wrong one leaves the
  // package exactly as it was.
  if (HasPassword && PackagePassword != password) {
    Finish();
    platform::FatalAppExit("Error Incorrect Password\rFile: " + packageName);
  }
  if (!HasPassword) {
    if (password.size() > kPasswordMax) {
      Finish();
      platform::FatalAppExit("The password for " + packageName + " is longer than " +
                             std::to_string(kPasswordMax) + " characters.");
    }
    PackagePassword = password;
    HasPassword = !password.empty();
  }
  SetStatusText(ProgressText(packageName, 0, int(total)));
  int lastPercent = 0;
  std::exception_ptr error;
  bool written = true;
  try {
    for (size_t processed = 0; processed < total && written; ++processed) {
      const int percent = int(processed * 100 / total);
      const bool redraw = percent > lastPercent;
      if (redraw) lastPercent = percent;
      SetStatusText(ProgressText(packageName, int(processed), int(total)));
      written = AddEntry(entries.Name(processed), entries.OrigSize(processed), entries.Content(processed));
      StepProgress(redraw);
    }
  } catch (...) {
    error = std::current_exception();
  }
  if (!written) StopAfterFailedWrite();
  SetStatusText(NamedText(kTextWritingHeader, packageName));
  if (error) {
    // An update that cannot finish leaves the package as it was, then the error goes
    // on to the caller.
    if (!Restore()) StopAfterFailedWrite();
    Finish();
    std::rethrow_exception(error);
  }
  WriteDirectory();
  Finish();
}

void TPakSystem::SetOfficialAt(const std::string& path, const std::string& packageName,
                               const std::string& marker, const std::string& value) {
  if (platform::AnsiLower(marker) != kOfficialAccessWord) return;
  PackageName = packageName;
  path_ = path;
  writeFailed_ = false;
  OpenForUpdate(path);
  ReadPackage();
  const std::string lower = platform::AnsiLower(value);
  Official = lower == "t" || lower == "true" || value == "1";
  WriteDirectory();
  Finish();
}

void TPakSystem::DuplicateEntryAt(const std::string& path, const std::string& packageName,
                                  const std::string& sourceName, const std::string& targetName) {
  PackageName = packageName;
  path_ = path;
  writeFailed_ = false;
  OpenForUpdate(path);
  ReadPackage();
  const std::string targetKey = PakKey(targetName);
  if (const TPakDirEntry* source = directory_.Find(PakKey(sourceName))) {
    TPakDirEntry* target = directory_.Find(targetKey);
    if (!target) {
      // Both names share the same stored bytes; nothing is copied in the data area.
      TPakDirEntry record = *source;
      record.reserved = 0;
      record.name = targetKey.substr(0, kPakNameMax);
      directory_.Add(std::move(record));
    } else if (target->offset == source->offset && target->fullSize == source->fullSize &&
               target->storedSize == source->storedSize) {
      target->marker = source->marker;
      target->kind = source->kind;
      target->date = source->date;
    }
  }
  WriteDirectory();
  Finish();
}
