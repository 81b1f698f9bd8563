// MD5 through the CryptoAPI (the base provider with a verification context, so no key
// container is needed). A digest the system could not compute is never handed out as
// one: every failure raises ESetupError with the system's reason.
#include "platform/Md5.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <string>

#include "platform/Errors.h"
#include "platform/win32/WinText.h"

namespace platform {

namespace {

class Provider {
 public:
  Provider() = default;
  ~Provider() {
    if (handle_) CryptReleaseContext(handle_, 0);
  }
  Provider(const Provider&) = delete;
  Provider& operator=(const Provider&) = delete;
  HCRYPTPROV* Out() { return &handle_; }
  HCRYPTPROV Get() const { return handle_; }

 private:
  HCRYPTPROV handle_ = 0;
};

class Hash {
 public:
  Hash() = default;
  ~Hash() {
    if (handle_) CryptDestroyHash(handle_);
  }
  Hash(const Hash&) = delete;
  Hash& operator=(const Hash&) = delete;
  HCRYPTHASH* Out() { return &handle_; }
  HCRYPTHASH Get() const { return handle_; }

 private:
  HCRYPTHASH handle_ = 0;
};

// Raises the error for the call that just failed; GetLastError() stays its code.
[[noreturn]] void Fail(const char* what) {
  const DWORD code = GetLastError();
  const std::string reason = win32::ErrorText(code);
  SetLastError(code);
  throw ESetupError(std::string("MD5 (CryptoAPI): ") + what + ": " + reason);
}

}  // namespace

// The provider outlives the hash made from it (members are destroyed in reverse).
struct Md5::State {
  Provider provider;
  Hash hash;
  bool finished = false;
};

Md5::Md5() : state_(std::make_unique<State>()) {
  if (!CryptAcquireContextW(state_->provider.Out(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
    Fail("no cryptographic provider");
  if (!CryptCreateHash(state_->provider.Get(), CALG_MD5, 0, 0, state_->hash.Out())) Fail("no MD5 hash");
}

Md5::~Md5() = default;

void Md5::Update(const void* data, size_t count) {
  if (state_->finished) throw ESetupError("MD5: data added after the digest was taken");
  const auto* bytes = static_cast<const BYTE*>(data);
  // CryptHashData counts in a DWORD; large buffers go in pieces.
  while (count > 0) {
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(count, 1u << 30));
    if (!CryptHashData(state_->hash.Get(), bytes, piece, 0)) Fail("hashing failed");
    bytes += piece;
    count -= piece;
  }
}

Md5Digest Md5::Finish() {
  if (state_->finished) throw ESetupError("MD5: the digest was already taken");
  state_->finished = true;
  Md5Digest digest{};
  DWORD size = static_cast<DWORD>(digest.size());
  if (!CryptGetHashParam(state_->hash.Get(), HP_HASHVAL, digest.data(), &size, 0)) Fail("no digest");
  if (size != digest.size()) {
    SetLastError(static_cast<DWORD>(NTE_BAD_LEN));
    Fail("the digest has the wrong size");
  }
  return digest;
}

}  // namespace platform
