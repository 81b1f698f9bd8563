#include "script/SE_FileHelpers.h"

#include "platform/ConfinedFolders.h"
#include "platform/Files.h"
#include "script/SE_InstallRecorder.h"
#include "script/SE_RunChanges.h"
#include "script/SE_TextHelpers.h"

void ForceDirectory(const std::string& path) {
  if (path.size() <= 3 || path[1] != ':' || path[2] != '\\') return;
  std::string current = path.substr(0, 3);
  size_t start = 3;
  while (start < path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) {  // an empty component ("\\") names the directory already reached
      current.append(path, start, end - start);
      if (end < path.size()) current += '\\';
      TSetupRun* run = ActiveRun();
      if (!platform::DirectoryExists(current)) {
        // Journalled before it is made, so that a run killed right after leaves no
        // directory behind that nobody knows of.
        if (run) run->Note({'D', {current}}, false);
        if (platform::MakeDirectory(current)) RecordCreatedDirectory(current);
      } else if (run && run->ClaimPremadeDirectory(current)) {
        RecordCreatedDirectory(current);
      }
    }
    start = end + 1;
  }
}

bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t count) {
  ForceDirectory(ExtractFileDir(path));
  platform::File file = platform::File::Open(path, platform::OpenMode::CreateTruncate);
  if (!file.IsOpen()) return false;
  return !data || count == 0 || file.WriteAll(data, count);
}

namespace {

bool IsDriveRoot(std::string path) {
  while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path.empty() || (path.size() == 2 && path[1] == ':');
}

}  // namespace

bool RemoveTree(const std::string& directory) {
  if (IsDriveRoot(directory)) return false;
  return platform::RemoveTree(directory);
}
