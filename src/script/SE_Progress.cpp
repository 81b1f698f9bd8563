#include "script/SE_Progress.h"

#include <atomic>

namespace {
std::atomic<TProgressSink*> gSink{nullptr};
std::atomic<int> gCounter{0};
}  // namespace

void SetProgressSink(TProgressSink* sink) { gSink = sink; }
TProgressSink* ProgressSink() { return gSink; }

void SetStatusText(const std::u16string& text) {
  if (TProgressSink* sink = gSink) sink->StatusText(text);
}

void SetFinishText(const std::u16string& text, bool repaint) {
  if (TProgressSink* sink = gSink) sink->FinishText(text, repaint);
}

void StepProgress(bool update) {
  TProgressSink* sink = gSink;
  if (!sink || !sink->HasGauge()) return;
  const int value = ++gCounter;
  if (update) sink->GaugeProgress(value);
}

int ProgressCounter() { return gCounter; }
void ResetProgressCounterForTests() { gCounter = 0; }
