// SHA-256 through nettle.
#include "platform/Sha256.h"

#include <nettle/sha2.h>

namespace platform {

struct Sha256::State {
  sha256_ctx context;
};

Sha256::Sha256() : state_(std::make_unique<State>()) { sha256_init(&state_->context); }

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, size_t count) {
  sha256_update(&state_->context, count, static_cast<const uint8_t*>(data));
}

Sha256Digest Sha256::Finish() {
  Sha256Digest digest{};
  sha256_digest(&state_->context, digest.size(), digest.data());
  return digest;
}

}  // namespace platform
