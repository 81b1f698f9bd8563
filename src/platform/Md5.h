// MD5 digests (RFC 1321).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

using Md5Digest = std::array<uint8_t, 16>;

class Md5 {
 public:
  Md5();
  ~Md5();
  void Update(const void* data, size_t count);
  Md5Digest Finish();  // the object may not be used afterwards

 private:
  struct State;
  std::unique_ptr<State> state_;
};

Md5Digest Md5Of(const void* data, size_t count);
// The digest as 32 lower-case hexadecimal digits.
std::string Md5HexOf(const void* data, size_t count);

}  // namespace platform
