// On Linux the arguments arrive as the host's UTF-8 texts and streams are bytes.
#include "platform/ProgramArguments.h"

namespace platform {

// A host program finds its libraries through the dynamic linker's own trusted paths.
void RestrictLibrarySearch() {}

std::vector<std::string> StartProgram(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

}  // namespace platform
