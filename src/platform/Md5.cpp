// The one-call digest, on top of whichever MD5 the OS half provides.
#include "platform/Md5.h"

namespace platform {

Md5Digest Md5Of(const void* data, size_t count) {
  Md5 md5;
  md5.Update(data, count);
  return md5.Finish();
}

}  // namespace platform
