// SHA-256 digests (FIPS 180-4): what a setup records of each data file beside it, so
// that a data file another one replaced is told apart from its own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

using Sha256Digest = std::array<uint8_t, 32>;

class Sha256 {
 public:
  Sha256();
  ~Sha256();
  void Update(const void* data, size_t count);
  Sha256Digest Finish();  // the object may not be used afterwards

 private:
  struct State;
  std::unique_ptr<State> state_;
};

Sha256Digest Sha256Of(const void* data, size_t count);

}  // namespace platform
