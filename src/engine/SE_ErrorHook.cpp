#include "engine/SE_ErrorHook.h"

#include <cstdio>
#include <exception>
#include <mutex>

namespace {

std::mutex reporterMutex;
TErrorReporter reporter;

void PrintError(const std::string& text, const std::string& stage) {
  std::fprintf(stderr, "Error (%s): %s\n", stage.empty() ? "Unknown" : stage.c_str(), text.c_str());
  std::fflush(stderr);
}

}  // namespace

void SetErrorReporter(TErrorReporter newReporter) {
  std::lock_guard<std::mutex> lock(reporterMutex);
  reporter = std::move(newReporter);
}

void ReportErrorThroughHook(const std::string& text, const std::string& stage) {
  TErrorReporter current;
  {
    std::lock_guard<std::mutex> lock(reporterMutex);
    current = reporter;
  }
  if (!current) return PrintError(text, stage);
  try {
    current(text, stage);
  } catch (const std::exception& failure) {
    PrintError(text, stage);
    PrintError(std::string("the error report could not be written: ") + failure.what(), stage);
  }
}
