// Fuzz target: Valve's text key-value files (libraryfolders.vdf, appmanifest_*.acf)
// and what is taken from them. Any bytes parse or fail with a line number; nothing
// taken from a parsed file leads out of a library: a manifest's folder is one plain
// name.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "stores/SteamLibraries.h"
#include "stores/Vdf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const TVdfResult result = ParseVdf(text);
  if (!result.Root) {
    if (result.Error.empty()) std::abort();
    return 0;
  }
  LibrariesListedIn(*result.Root);
  if (const auto dir = ManifestInstallDir(*result.Root, "440")) {
    if (dir->empty() || *dir == "." || *dir == ".." || dir->find_first_of("/\\:") != std::string::npos)
      std::abort();
  }
  return 0;
}
