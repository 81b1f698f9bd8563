// MD5 through the CryptoAPI (the base provider).
#include "platform/Md5.h"

#include "platform/win32/CryptoHash.h"

namespace platform {

struct Md5::State {
  win32::CryptoHash hash{PROV_RSA_FULL, CALG_MD5, "MD5"};
};

Md5::Md5() : state_(std::make_unique<State>()) {}

Md5::~Md5() = default;

void Md5::Update(const void* data, size_t count) { state_->hash.Update(data, count); }

Md5Digest Md5::Finish() {
  Md5Digest digest{};
  state_->hash.Finish(digest.data(), digest.size());
  return digest;
}

}  // namespace platform
