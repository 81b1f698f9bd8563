#include "platform/win32/CryptoHash.h"

#include <algorithm>

#include "platform/Errors.h"
#include "platform/win32/WinText.h"

namespace platform::win32 {

// The verification context needs no key container.
CryptoHash::CryptoHash(DWORD providerType, ALG_ID algorithm, std::string name) : name_(std::move(name)) {
  if (!CryptAcquireContextW(&provider_, nullptr, nullptr, providerType, CRYPT_VERIFYCONTEXT))
    Fail("no cryptographic provider");
  if (!CryptCreateHash(provider_, algorithm, 0, 0, &hash_)) {
    const DWORD code = GetLastError();
    CryptReleaseContext(provider_, 0);
    provider_ = 0;
    SetLastError(code);
    Fail("no hash object");
  }
}

// The hash goes before the provider it was made from.
CryptoHash::~CryptoHash() {
  if (hash_) CryptDestroyHash(hash_);
  if (provider_) CryptReleaseContext(provider_, 0);
}

// Raises the error for the call that just failed; GetLastError() stays its code.
void CryptoHash::Fail(const char* what) const {
  const DWORD code = GetLastError();
  const std::string reason = ErrorText(code);
  SetLastError(code);
  throw ESetupError(name_ + " (CryptoAPI): " + what + ": " + reason);
}

void CryptoHash::Update(const void* data, size_t count) {
  if (finished_) throw ESetupError(name_ + ": data added after the digest was taken");
  const auto* bytes = static_cast<const BYTE*>(data);
  // CryptHashData counts in a DWORD; large buffers go in pieces.
  while (count > 0) {
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(count, 1u << 30));
    if (!CryptHashData(hash_, bytes, piece, 0)) Fail("hashing failed");
    bytes += piece;
    count -= piece;
  }
}

void CryptoHash::Finish(uint8_t* digest, size_t size) {
  if (finished_) throw ESetupError(name_ + ": the digest was already taken");
  finished_ = true;
  DWORD got = static_cast<DWORD>(size);
  if (!CryptGetHashParam(hash_, HP_HASHVAL, digest, &got, 0)) Fail("no digest");
  if (got != size) {
    SetLastError(static_cast<DWORD>(NTE_BAD_LEN));
    Fail("the digest has the wrong size");
  }
}

}  // namespace platform::win32
