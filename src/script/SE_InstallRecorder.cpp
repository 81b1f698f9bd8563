#include "script/SE_InstallRecorder.h"

namespace {
TInstallRecorder* gRecorder = nullptr;
}  // namespace

void SetInstallRecorder(TInstallRecorder* recorder) { gRecorder = recorder; }
TInstallRecorder* InstallRecorder() { return gRecorder; }

void RecordInstalledFile(const std::string& path) {
  if (gRecorder) gRecorder->AddFile(path);
}
void RecordCreatedDirectory(const std::string& path) {
  if (gRecorder) gRecorder->AddDirectory(path);
}
void RecordRegistryEntry(const std::string& line) {
  if (gRecorder) gRecorder->AddRegistryEntry(line);
}
