#include "support/Recorders.h"

#include "platform/CodePage.h"

namespace testing_support {

RecordingSink::RecordingSink(bool hasGauge) : hasGauge_(hasGauge) {
  ResetProgressCounterForTests();
  SetProgressSink(this);
}
RecordingSink::~RecordingSink() { SetProgressSink(nullptr); }

void RecordingSink::StatusText(const std::u16string& text) {
  events.push_back("status " + platform::WideToUtf8(text));
}
void RecordingSink::FinishText(const std::u16string& text, bool repaint) {
  events.push_back(std::string(repaint ? "finish! " : "finish ") + platform::WideToUtf8(text));
}
void RecordingSink::GaugeProgress(int value) { events.push_back("gauge " + std::to_string(value)); }

RecordingRecorder::RecordingRecorder() { SetInstallRecorder(this); }
RecordingRecorder::~RecordingRecorder() { SetInstallRecorder(nullptr); }

}  // namespace testing_support
