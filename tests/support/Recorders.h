// A progress sink and an install recorder that write down what they are told, for
// tests of code that reports through script/SE_Progress.h and SE_InstallRecorder.h.
// Each installs itself on construction and removes itself on destruction.
#pragma once

#include <string>
#include <vector>

#include "script/SE_InstallRecorder.h"
#include "script/SE_Progress.h"

namespace testing_support {

class RecordingSink : public TProgressSink {
 public:
  explicit RecordingSink(bool hasGauge = true);
  ~RecordingSink() override;
  // "status TEXT", "finish TEXT", "gauge N" in order (UTF-8).
  std::vector<std::string> events;

  void StatusText(const std::u16string& text) override;
  void FinishText(const std::u16string& text, bool repaint) override;
  bool HasGauge() const override { return hasGauge_; }
  void GaugeProgress(int value) override;

 private:
  bool hasGauge_;
};

class RecordingRecorder : public TInstallRecorder {
 public:
  RecordingRecorder();
  ~RecordingRecorder() override;
  // "file PATH", "dir PATH", "reg LINE" in order.
  std::vector<std::string> records;

  void AddFile(const std::string& path) override { records.push_back("file " + path); }
  void AddDirectory(const std::string& path) override { records.push_back("dir " + path); }
  void AddRegistryEntry(const std::string& line) override { records.push_back("reg " + line); }
};

}  // namespace testing_support
