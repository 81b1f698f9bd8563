// A condition of the game's own data that the player can act on (a full game archive,
// a file that is no archive). Still of the program's error family, so every reader
// reports it as it reports any error, but a setup run ends on it as a failed run,
// undone and without an error report.
#pragma once

#include <string>

#include "platform/Errors.h"

class EGameDataRefusal : public platform::ESetupError {
 public:
  explicit EGameDataRefusal(const std::string& text) : platform::ESetupError(text) {}
};
