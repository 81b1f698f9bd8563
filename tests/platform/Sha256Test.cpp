// SHA-256 as the standard's examples give it, whichever implementation the OS half
// uses, fed at once or in pieces.
#include <gtest/gtest.h>

#include <string>

#include "platform/HexDigits.h"
#include "platform/Sha256.h"

namespace {

std::string HexOf(const platform::Sha256Digest& digest) {
  return platform::HexDigitsOf(digest.data(), digest.size());
}

TEST(Sha256, TheStandardsExamplesInOneGoAndInPieces) {
  const struct {
    std::string message;
    const char* digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HexOf(platform::Sha256Of(c.message.data(), c.message.size())), c.digest) << c.message.size();
    platform::Sha256 pieces;
    for (size_t at = 0; at < c.message.size(); at += 997)
      pieces.Update(c.message.data() + at, std::min<size_t>(997, c.message.size() - at));
    EXPECT_EQ(HexOf(pieces.Finish()), c.digest) << c.message.size();
  }
}

}  // namespace
