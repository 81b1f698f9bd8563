// What the registry interface means on every system: the stored root codes.
#include "platform/Registry.h"

namespace platform {

RegistryRoot RegistryRootFromCode(int code) {
  return code >= 0 && code <= 4 ? static_cast<RegistryRoot>(code) : RegistryRoot::None;
}

}  // namespace platform
