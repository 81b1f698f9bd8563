// The one-call digest, on top of whichever MD5 the OS half provides.
#include "platform/Md5.h"

#include "platform/HexDigits.h"

namespace platform {

Md5Digest Md5Of(const void* data, size_t count) {
  Md5 md5;
  md5.Update(data, count);
  return md5.Finish();
}

std::string Md5HexOf(const void* data, size_t count) {
  const Md5Digest digest = Md5Of(data, count);
  return HexDigitsOf(digest.data(), digest.size());
}

}  // namespace platform
