// Where the engine sends an unexpected error. The error report is written above the
// engine (app/), so the program's entry installs the reporter at start; tests install
// their own. The setup thread passes the exception's text and its stage name.
#pragma once

#include <functional>
#include <string>

// The stage name of errors raised while the setup thread runs the script.
inline constexpr const char* kSetupThreadStage = "Setup Thread";

using TErrorReporter = std::function<void(const std::string& text, const std::string& stage)>;

// Installs the reporter; an empty one restores the default, which writes
// "Error (STAGE): TEXT" to stderr.
void SetErrorReporter(TErrorReporter reporter);

// Hands the error to the reporter. When the reporter itself fails (the report cannot
// be written), both texts go to stderr, so the error is never lost.
void ReportErrorThroughHook(const std::string& text, const std::string& stage);
