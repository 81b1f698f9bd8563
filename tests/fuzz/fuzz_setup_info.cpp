// Fuzz target: the setup information record. Any bytes load; what loads writes back
// to bytes that load to the same record.
#include <cstdint>
#include <cstdlib>

#include "script/ZTI_SetupInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TSetupInfoFile record;
  record.LoadFromBuffer(data, size);
  const auto bytes = record.SaveToBytes();
  TSetupInfoFile again;
  again.LoadFromBuffer(bytes.data(), bytes.size());
  if (!(again.Info == record.Info)) std::abort();
  return 0;
}
