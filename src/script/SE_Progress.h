// What the commands and package routines show while they work: the status line
// (the page label "patching_statuslabel"), the finish text ("finishtext") and the
// install gauge ("patching_progressbar"), plus the install progress counter.
//
// The routines here are called on the setup thread. They never touch a window: they
// hand each change to the progress sink, which the wizard implements by queueing the
// change for the user-interface thread (the unattended view prints it; tests record
// it). Without a sink, changes are dropped and the counter still counts only when a
// gauge would exist, that is never.
#pragma once

#include <string>

class TProgressSink {
 public:
  virtual ~TProgressSink() = default;
  // Caption of the status label, when the pages have one.
  virtual void StatusText(const std::u16string& text) = 0;
  // Caption of the finish text label, when the pages have one; with repaint, its
  // parent is repainted at once.
  virtual void FinishText(const std::u16string& text, bool repaint) = 0;
  // Whether the pages have the progress gauge.
  virtual bool HasGauge() const = 0;
  // The gauge shows this value of the install progress counter.
  virtual void GaugeProgress(int value) = 0;
};

// Installs the sink (not owned); null removes it.
void SetProgressSink(TProgressSink* sink);
TProgressSink* ProgressSink();

void SetStatusText(const std::u16string& text);
void SetFinishText(const std::u16string& text, bool repaint);
// When a gauge exists: the counter goes up by one and, with update, the gauge shows it.
void StepProgress(bool update);

// Steps done since the program started; never reset by the program itself.
int ProgressCounter();
void ResetProgressCounterForTests();
