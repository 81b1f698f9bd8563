// MD5 through nettle.
#include "platform/Md5.h"

#include <nettle/md5.h>

namespace platform {

struct Md5::State {
  md5_ctx context;
};

Md5::Md5() : state_(std::make_unique<State>()) { md5_init(&state_->context); }

Md5::~Md5() = default;

void Md5::Update(const void* data, size_t count) {
  md5_update(&state_->context, count, static_cast<const uint8_t*>(data));
}

Md5Digest Md5::Finish() {
  Md5Digest digest{};
  md5_digest(&state_->context, digest.size(), digest.data());
  return digest;
}

}  // namespace platform
