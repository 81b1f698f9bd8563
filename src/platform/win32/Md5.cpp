// MD5 through the CryptoAPI (the base provider, no key container needed).
#include "platform/Md5.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>

#include "platform/Errors.h"

namespace platform {

struct Md5::State {
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  ~State() {
    if (hash) CryptDestroyHash(hash);
    if (provider) CryptReleaseContext(provider, 0);
  }
};

Md5::Md5() : state_(std::make_unique<State>()) {
  if (!CryptAcquireContextW(&state_->provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) ||
      !CryptCreateHash(state_->provider, CALG_MD5, 0, 0, &state_->hash))
    throw ESetupError("the system offers no MD5 (CryptoAPI)");
}

Md5::~Md5() = default;

void Md5::Update(const void* data, size_t count) {
  const auto* bytes = static_cast<const BYTE*>(data);
  while (count > 0) {
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(count, 1u << 30));
    CryptHashData(state_->hash, bytes, piece, 0);
    bytes += piece;
    count -= piece;
  }
}

Md5Digest Md5::Finish() {
  Md5Digest digest{};
  DWORD size = static_cast<DWORD>(digest.size());
  CryptGetHashParam(state_->hash, HP_HASHVAL, digest.data(), &size, 0);
  return digest;
}

}  // namespace platform
