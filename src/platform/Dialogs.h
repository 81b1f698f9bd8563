// Modal message boxes, the fatal application exit, opening a document and ending the
// process. On Windows these are system services; here the front end that runs (the
// FLTK view, the unattended view, a test) installs a handler at start, so that any
// layer can ask a question without knowing a window. Handlers may be called from the
// setup thread; the front end carries the question to its own thread.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class MessageButtons { Ok, OkCancel, YesNo, RetryCancel };
enum class MessageIcon { None, Information, Warning, Error, Question };
// Closing a box with the window's close button answers Cancel (or No for Yes/No).
enum class MessageResult { Ok, Cancel, Yes, No, Retry };

using MessageBoxHandler = std::function<MessageResult(
    const std::u16string& text, const std::u16string& caption, MessageButtons, MessageIcon)>;

// Installs the handler; an empty handler restores the default, which prints
// "Caption: text" on stderr and answers OK, Yes, or Cancel on Retry/Cancel.
void SetMessageBoxHandler(MessageBoxHandler handler);

MessageResult ShowMessageBox(const std::u16string& text, const std::u16string& caption,
                             MessageButtons buttons = MessageButtons::Ok,
                             MessageIcon icon = MessageIcon::None);
// 8-bit texts (Windows-1252).
MessageResult ShowMessageBox(const std::string& text, const std::string& caption,
                             MessageButtons buttons = MessageButtons::Ok,
                             MessageIcon icon = MessageIcon::None);

// A modal choice of one item of a list: the question, the items one a line (a tab
// separates an item's columns), OK and Cancel. All texts are UTF-8 (they name host
// folders). The answer is the index of the item chosen, or nothing when the user
// cancelled. The default handler has no one to ask: it prints the question and the
// items on stderr and chooses nothing. Call on the user-interface thread.
using ListChoiceHandler = std::function<std::optional<size_t>(
    const std::string& text, const std::string& caption, const std::vector<std::string>& items)>;
void SetListChoiceHandler(ListChoiceHandler handler);
std::optional<size_t> ShowListChoice(const std::string& text, const std::string& caption,
                                     const std::vector<std::string>& items);

// Exit statuses of the setup program.
enum ExitStatus : int {
  kExitFinished = 0,
  kExitScriptFailed = 1,
  kExitStartupStop = 2,
  kExitCancelled = 3,
  kExitErrorReport = 4,
  kExitFatalStop = 5,
  kExitFolderBusy = 6,  // another run into the same game folder was going on; nothing was done
};

// Ends the process at once with the status, from any thread (nothing is cleaned up;
// standard output and error are flushed). Tests may install a handler that throws
// instead, so that the path can be tested without ending the test program.
using EndProcessHandler = std::function<void(int status)>;
void SetEndProcessHandler(EndProcessHandler handler);
[[noreturn]] void EndProcess(int status);

// A fatal stop: the program ends with the status, after the message (caption
// "Error", through the message box handler; none when empty). A handler may take the
// stop over: the setup thread installs one for the time of its run that undoes the
// run first (it ends by throwing; when it returns, the stop goes on as without one).
using FatalStopHandler = std::function<void(const std::string& message, int status)>;
void SetFatalStopHandler(FatalStopHandler handler);
[[noreturn]] void FatalStop(const std::string& message, int status);
// The system's fatal application exit: FatalStop with kExitFatalStop.
[[noreturn]] void FatalAppExit(const std::string& message);

// Opens a document with its default action, without waiting. The default handler
// starts it through the shell; tests and the unattended view may replace it.
using OpenDocumentHandler = std::function<void(const std::string& path)>;
void SetOpenDocumentHandler(OpenDocumentHandler handler);
void OpenDocument(const std::string& path);

}  // namespace platform
