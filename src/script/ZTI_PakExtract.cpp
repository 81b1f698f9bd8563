#include "script/ZTI_PakExtract.h"

#include "package/ZTI_PakFile.h"
#include "platform/Files.h"
#include "script/SE_FileHelpers.h"
#include "script/SE_InstallRecorder.h"
#include "script/SE_Progress.h"
#include "script/SE_RunFiles.h"
#include "script/SE_TextHelpers.h"

void TStandardExtractHooks::StatusText(const std::u16string& text) { SetStatusText(text); }

void TStandardExtractHooks::FileRecorded(const std::string& path) { RecordInstalledFile(path); }

void TStandardExtractHooks::EnsureDirectoryOf(const std::string& path) {
  std::string directory = ExtractFileDir(path);
  if (ensured_.count(directory)) return;
  ForceDirectory(directory);
  ensured_.insert(std::move(directory));
}

// The files go through the run's writer: never in place, originals kept, a failure
// asked about (Cancel stops the run).
bool TStandardExtractHooks::WriteWholeFile(const std::string& path, const uint8_t* data, size_t count) {
  EnsureDirectoryOf(path);
  WriteBytesOfRun(path, data, count);
  return true;
}

bool TStandardExtractHooks::WriteLargeFile(const std::string& path,
                                           const std::function<bool(platform::File&)>& fill) {
  EnsureDirectoryOf(path);
  WriteFileOfRunFrom(path, fill);
  return true;
}

void TStandardExtractHooks::Step() { StepProgress(true); }

void ExtractGroupToDirectory(TPak& pak, const std::string& directory, uint16_t group) {
  const platform::DriveMappingScope sameDrives;  // the drive link is read once per group
  TStandardExtractHooks hooks;
  pak.ExtractGroup(directory, group, hooks);
}
