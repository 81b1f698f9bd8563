// The one-call digest, on top of whichever MD5 the OS half provides.
#include "platform/Md5.h"

#include <cstdio>

namespace platform {

Md5Digest Md5Of(const void* data, size_t count) {
  Md5 md5;
  md5.Update(data, count);
  return md5.Finish();
}

std::string Md5HexOf(const void* data, size_t count) {
  const Md5Digest digest = Md5Of(data, count);
  std::string text;
  for (const uint8_t byte : digest) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", byte);
    text += hex;
  }
  return text;
}

}  // namespace platform
