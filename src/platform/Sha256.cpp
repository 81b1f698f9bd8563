// The one-call digest, on top of whichever SHA-256 the OS half provides.
#include "platform/Sha256.h"

namespace platform {

Sha256Digest Sha256Of(const void* data, size_t count) {
  Sha256 sha;
  sha.Update(data, count);
  return sha.Finish();
}

}  // namespace platform
