// Extraction hooks that write down every effect in order, so tests can check the
// exact sequence of status texts, records, writes and gauge steps.
#pragma once

#include <string>
#include <vector>

#include "package/ZTI_PakHooks.h"

namespace testing_support {

class RecordingHooks : public TExtractHooks {
 public:
  // Each effect as one line: "status TEXT", "record PATH", "write PATH SIZE",
  // "large PATH", "step".
  std::vector<std::string> effects;
  // Contents handed to WriteWholeFile, in order.
  std::vector<std::vector<uint8_t>> written;

  void StatusText(const std::u16string& text) override;
  void FileRecorded(const std::string& path) override;
  bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t count) override;
  // Opens the path as a real file (large entries are copied for real).
  bool WriteLargeFile(const std::string& path, const std::function<bool(platform::File&)>& fill) override;
  void Step() override { effects.push_back("step"); }
};

}  // namespace testing_support
