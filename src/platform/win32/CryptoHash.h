// A digest computed by the CryptoAPI, for the digests the platform offers (MD5,
// SHA-256). A digest the system could not compute is never handed out as one: every
// failure raises ESetupError with the system's reason.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::win32 {

class CryptoHash {
 public:
  // providerType names a provider that knows the algorithm (PROV_RSA_AES for SHA-2);
  // name is how errors call the digest.
  CryptoHash(DWORD providerType, ALG_ID algorithm, std::string name);
  ~CryptoHash();
  CryptoHash(const CryptoHash&) = delete;
  CryptoHash& operator=(const CryptoHash&) = delete;

  void Update(const void* data, size_t count);
  // Writes exactly size bytes of digest; the object may not be used afterwards.
  void Finish(uint8_t* digest, size_t size);

 private:
  [[noreturn]] void Fail(const char* what) const;

  std::string name_;
  HCRYPTPROV provider_ = 0;
  HCRYPTHASH hash_ = 0;
  bool finished_ = false;
};

}  // namespace platform::win32
