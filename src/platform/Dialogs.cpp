// The handlers behind message boxes, ending the process and opening documents, with
// the defaults an unattended run needs: boxes print to stderr and take the answer
// that lets the program go on without harm.
#include "platform/Dialogs.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/CodePage.h"
#include "platform/Shell.h"

namespace platform {

namespace {

std::mutex handlerMutex;
MessageBoxHandler messageBoxHandler;
ListChoiceHandler listChoiceHandler;
EndProcessHandler endProcessHandler;
FatalStopHandler fatalStopHandler;
OpenDocumentHandler openDocumentHandler;

template <typename Handler>
Handler Current(const Handler& handler) {
  std::lock_guard<std::mutex> lock(handlerMutex);
  return handler;
}

// "\r\n" and a lone "\r" both end a line.
std::string WithNewLines(const std::u16string& text) {
  std::string utf8 = WideToUtf8(text);
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r') {
      out += '\n';
      if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
    } else {
      out += utf8[i];
    }
  }
  return out;
}

MessageResult DefaultMessageBox(const std::u16string& text, const std::u16string& caption,
                                MessageButtons buttons) {
  std::fprintf(stderr, "%s: %s\n", WithNewLines(caption).c_str(), WithNewLines(text).c_str());
  std::fflush(stderr);
  switch (buttons) {
    case MessageButtons::Ok:
    case MessageButtons::OkCancel: return MessageResult::Ok;
    case MessageButtons::YesNo: return MessageResult::Yes;
    case MessageButtons::RetryCancel: return MessageResult::Cancel;
  }
  return MessageResult::Ok;
}

}  // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard<std::mutex> lock(handlerMutex);
  messageBoxHandler = std::move(handler);
}

MessageResult ShowMessageBox(const std::u16string& text, const std::u16string& caption,
                             MessageButtons buttons, MessageIcon icon) {
  if (const auto handler = Current(messageBoxHandler)) return handler(text, caption, buttons, icon);
  return DefaultMessageBox(text, caption, buttons);
}

MessageResult ShowMessageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                             MessageIcon icon) {
  return ShowMessageBox(AnsiToWide(text), AnsiToWide(caption), buttons, icon);
}

void SetListChoiceHandler(ListChoiceHandler handler) {
  std::lock_guard<std::mutex> lock(handlerMutex);
  listChoiceHandler = std::move(handler);
}

std::optional<size_t> ShowListChoice(const std::string& text, const std::string& caption,
                                     const std::vector<std::string>& items) {
  if (const auto handler = Current(listChoiceHandler)) return handler(text, caption, items);
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), WithNewLines(Utf8ToWide(text)).c_str());
  for (const std::string& item : items) std::fprintf(stderr, "%s\n", item.c_str());
  std::fflush(stderr);
  return std::nullopt;
}

void SetEndProcessHandler(EndProcessHandler handler) {
  std::lock_guard<std::mutex> lock(handlerMutex);
  endProcessHandler = std::move(handler);
}

void EndProcess(int status) {
  if (const auto handler = Current(endProcessHandler)) handler(status);
  std::fflush(nullptr);
  std::_Exit(status);
}

void SetFatalStopHandler(FatalStopHandler handler) {
  std::lock_guard<std::mutex> lock(handlerMutex);
  fatalStopHandler = std::move(handler);
}

void FatalStop(const std::string& message, int status) {
  if (const auto handler = Current(fatalStopHandler)) handler(message, status);
  if (!message.empty()) ShowMessageBox(message, "Error", MessageButtons::Ok, MessageIcon::Error);
  EndProcess(status);
}

void FatalAppExit(const std::string& message) { FatalStop(message, kExitFatalStop); }

void SetOpenDocumentHandler(OpenDocumentHandler handler) {
  std::lock_guard<std::mutex> lock(handlerMutex);
  openDocumentHandler = std::move(handler);
}

void OpenDocument(const std::string& path) {
  if (const auto handler = Current(openDocumentHandler)) return handler(path);
  StartWithDefaultAction(path, std::string());
}

}  // namespace platform
