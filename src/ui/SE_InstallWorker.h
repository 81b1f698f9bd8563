// The window's side of the setup thread: start a run, see whether it still runs, and
// end the thread when the window closes. The program's worker is the engine's setup
// thread (SetupThreadWorker); tests drive the window with their own.
#pragma once

#include <memory>

class TInstallWorker {
 public:
  virtual ~TInstallWorker() = default;
  // CurrentLine = -1, then the run flag is raised.
  virtual void StartRun() = 0;
  // True until the run is over.
  virtual bool Running() const = 0;
  // Asks the thread to end and waits for it, without a time limit.
  virtual void QuitAndWait() = 0;
};
