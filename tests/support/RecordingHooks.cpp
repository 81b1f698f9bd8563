#include "support/RecordingHooks.h"

#include "platform/CodePage.h"

namespace testing_support {

void RecordingHooks::StatusText(const std::u16string& text) {
  effects.push_back("status " + platform::WideToUtf8(text));
}

void RecordingHooks::FileRecorded(const std::string& path) { effects.push_back("record " + path); }

bool RecordingHooks::WriteWholeFile(const std::string& path, const uint8_t* data, size_t count) {
  effects.push_back("write " + path + " " + std::to_string(count));
  written.emplace_back(data, data + count);
  return true;
}

bool RecordingHooks::WriteLargeFile(const std::string& path,
                                    const std::function<bool(platform::File&)>& fill) {
  effects.push_back("large " + path);
  platform::File file = platform::File::Open(path, platform::OpenMode::CreateTruncate);
  return file.IsOpen() && fill(file);
}

}  // namespace testing_support
