#include "script/ZTI_PakExtract.h"

#include "package/ZTI_PakFile.h"
#include "script/SE_FileHelpers.h"
#include "script/SE_InstallRecorder.h"
#include "script/SE_Progress.h"
#include "script/SE_TextHelpers.h"

void TStandardExtractHooks::StatusText(const std::u16string& text) { SetStatusText(text); }

void TStandardExtractHooks::FileRecorded(const std::string& path) { RecordInstalledFile(path); }

void TStandardExtractHooks::EnsureDirectoryOf(const std::string& path) {
  std::string directory = ExtractFileDir(path);
  if (ensured_.count(directory)) return;
  ForceDirectory(directory);
  ensured_.insert(std::move(directory));
}

// WriteWholeFile's steps, with the directory made sure of once per group.
bool TStandardExtractHooks::WriteWholeFile(const std::string& path, const uint8_t* data,
                                           size_t count) {
  EnsureDirectoryOf(path);
  platform::File file = platform::File::Open(path, platform::OpenMode::CreateTruncate);
  if (!file.IsOpen()) return false;
  return !data || count == 0 || file.WriteAll(data, count);
}

platform::File TStandardExtractHooks::CreateLargeFile(const std::string& path) {
  EnsureDirectoryOf(path);
  return platform::File::Open(path, platform::OpenMode::CreateTruncate);
}

void TStandardExtractHooks::Step() { StepProgress(true); }

void ExtractGroupToDirectory(TPak& pak, const std::string& directory, uint16_t group) {
  TStandardExtractHooks hooks;
  pak.ExtractGroup(directory, group, hooks);
}
