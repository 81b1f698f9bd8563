// What setuptool's preview and check and mksetup's --check share: the package opened
// as a wizard, the arguments they take, and the view's renderer on a display (an
// offscreen one started for the run when there is none).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "PackageWizard.h"
#include "platform/OffscreenDisplay.h"
#include "ui/SE_PageRenderer.h"

class TPageTools {
 public:
  // Opens the package at the program path; prints "NAME: reason" on stderr and gives
  // nothing when it is no setup package with setup information.
  static std::optional<TPageTools> Open(const std::string& programPath, const std::string& shownName);
  TPageTools(TPageTools&&) noexcept = default;
  ~TPageTools();

  const TPackageWizard& Wizard() const { return *wizard_; }
  // The view's renderer, made on first use; null after telling why on stderr.
  TPageRenderer* Renderer();

 private:
  TPageTools() = default;
  std::optional<TPackageWizard> wizard_;
  std::unique_ptr<platform::OffscreenDisplay> display_;  // outlives the renderer
  std::unique_ptr<TPageRenderer> renderer_;
  bool tried_ = false;
};

// Splits "--lang HEX" options (repeated, or HEX,HEX) from the other arguments. False
// for an identifier that is no 1 to 4 hex digits, or an option it does not know
// (languages null: no --lang taken).
bool ParsePageToolArguments(const std::vector<std::string>& args, std::vector<std::string>& positional,
                            std::vector<uint16_t>* languages);

// Runs the check and prints its records on stdout; 1 when one is an error, else 0.
int PrintPageCheck(TPageTools& tools);
