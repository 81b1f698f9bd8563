// The program's install worker: the engine's setup thread, started with the window.
#pragma once

#include <memory>

#include "engine/SE_SetupThread.h"
#include "ui/SE_InstallWorker.h"

class TSetupThreadWorker : public TInstallWorker {
 public:
  explicit TSetupThreadWorker(TSetupThreadSettings settings = {}) : thread_(std::move(settings)) {}
  void StartRun() override { thread_.StartRun(); }
  bool Running() const override { return thread_.Running; }
  void QuitAndWait() override {
    thread_.RequestQuit();
    thread_.WaitFor();
  }

 private:
  TSetupThread thread_;
};
