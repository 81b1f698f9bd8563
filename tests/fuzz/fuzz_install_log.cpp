// Fuzz target: the install-log reader. Any bytes load without a crash; a log that
// loads whole writes back to bytes that load to the same lists.
#include <cstdint>
#include <cstdlib>

#include "engine/SE_Uninstall_List.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const TParsedInstallLog log = ParseInstallLog(data, size);
  const auto bytes = SerializeInstallLog(log.lists);
  const TParsedInstallLog again = ParseInstallLog(bytes.data(), bytes.size());
  if (!again.complete || again.lists.Files != log.lists.Files ||
      again.lists.RegistryEntries != log.lists.RegistryEntries ||
      again.lists.Directories != log.lists.Directories)
    std::abort();
  if (log.complete && bytes.size() > size) std::abort();
  return 0;
}
