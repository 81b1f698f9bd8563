#include "script/SE_GameFoundIn.h"

std::string& GameFoundIn() {
  static std::string text;
  return text;
}
