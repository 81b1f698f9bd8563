// SHA-256 through the CryptoAPI (the AES provider, the one that knows SHA-2).
#include "platform/Sha256.h"

#include "platform/win32/CryptoHash.h"

namespace platform {

struct Sha256::State {
  win32::CryptoHash hash{PROV_RSA_AES, CALG_SHA_256, "SHA-256"};
};

Sha256::Sha256() : state_(std::make_unique<State>()) {}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, size_t count) { state_->hash.Update(data, count); }

Sha256Digest Sha256::Finish() {
  Sha256Digest digest{};
  state_->hash.Finish(digest.data(), digest.size());
  return digest;
}

}  // namespace platform
