// The setup thread: the one worker that runs the compiled script. It lives as long as
// the main window, idling in a 1 ms loop until the window raises Running; it then
// walks the compiled lines from the first, dispatching each line to its command
// object and following the jumps the commands store in CurrentLine, until the walk
// passes the last line or a command asks for an abort. Afterwards (also after an
// abort) it creates the installation directory and, when the setup makes an
// uninstaller, saves the install log and writes the uninstaller; then it lowers
// Running.
//
// The main window's side of a run:
//   thread.StartRun();                       // CurrentLine = -1, Running = true
//   while (thread.Running) { pump UI events; sleep 1 ms; }
// Before StartRun it records the installation directory in the uninstall list.
//
// Every change of the run is journalled (script/SE_RunChanges.h). A write that fails
// and is cancelled, or a failure of the run's own records (journal, install log,
// uninstaller), stops the run: it is undone newest first, the message says so, and
// the run ends as a failed one (AbortRequested, exit status 1). A run that completes
// commits its journal.
//
// An exception that escapes a command goes to the error reporter (SE_ErrorHook.h)
// with the stage "Setup Thread", and the program ends with exit status 4
// (platform::EndProcess); the install log is not written then, and the run is undone. The thread never
// touches a window: status, finish text and gauge go through the progress sink, and
// message boxes through platform::ShowMessageBox, whose handler carries the question
// to the user-interface thread while this thread waits for the answer.
#pragma once

#include <atomic>
#include <string>
#include <thread>

struct TSetupThreadSettings {
  // The program file whose bytes the uninstaller carries; empty: the running program.
  std::string programPath;
};

class TSetupThread {
 public:
  // Starts the thread at once; it idles until Running is raised.
  TSetupThread();
  explicit TSetupThread(TSetupThreadSettings settings);
  // Asks the thread to quit and waits for it.
  ~TSetupThread();
  TSetupThread(const TSetupThread&) = delete;
  TSetupThread& operator=(const TSetupThread&) = delete;

  // Set once, when the window closes; ends the idle loop within about a millisecond.
  std::atomic<bool> QuitRequested{false};
  // Raised by the window to start a run; lowered by the thread when the run is done.
  std::atomic<bool> Running{false};

  // The window's start of a run: CurrentLine = -1, then Running = true.
  void StartRun();
  void RequestQuit();
  // Waits for the thread's end; call after RequestQuit.
  void WaitFor();
  // True when an error ended the thread (the program is being ended then; Running
  // is lowered so that nobody waits for a run that will not finish).
  bool Failed() const { return failed_; }

 private:
  void Execute();  // the thread body
  void RunScript();
  void WalkLines();
  bool BeginRun();
  void FinishRun();
  void StopRun(const std::string& what);
  void RefuseRun(const std::string& why);
  void EndWithFatalStop(const std::string& message, int status);
  void Fail(const std::string& text);

  TSetupThreadSettings settings_;
  std::atomic<bool> failed_{false};
  std::thread thread_;  // last, so that it starts when everything else is ready
};
