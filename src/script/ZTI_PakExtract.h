// The program's own binding of the package extraction: status texts to the status
// line, extracted files to the install recorder, files written with ForceDirectory
// (recording each directory created), a gauge step per entry.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

#include "package/ZTI_PakHooks.h"

class TPak;

// One object serves one group extraction: it remembers the directories it has
// already made sure of, so a group of thousands of files checks each directory once.
class TStandardExtractHooks : public TExtractHooks {
 public:
  void StatusText(const std::u16string& text) override;
  void FileRecorded(const std::string& path) override;
  bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t count) override;
  bool WriteLargeFile(const std::string& path, const std::function<bool(platform::File&)>& fill) override;
  void Step() override;

 private:
  void EnsureDirectoryOf(const std::string& path);
  std::unordered_set<std::string> ensured_;
};

// pak.ExtractGroup(directory, group) with the standard binding.
void ExtractGroupToDirectory(TPak& pak, const std::string& directory, uint16_t group);
