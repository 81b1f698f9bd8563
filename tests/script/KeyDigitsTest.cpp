#include "script/SE_KeyDigits.h"

#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "script/ZTI_FixedKeys.h"

namespace {

TEST(KeyDigits, AddsDigitValuesModulo256AndRepeatsTheKey) {
  struct Case {
    std::string key, text, scrambled;
  } cases[] = {
      {"3", "\xFF", "\x02"},   // wraps at 256
      {"0", "abc", "abc"},     // a zero digit leaves its byte alone
      {"12", "aaaa", "bcbc"},  // shorter key is reused from its first digit
      {"9", std::string("\0", 1), "\x09"},
      {"5", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AddKeyDigits(c.key, c.text), c.scrambled) << c.key << " " << c.text;
    EXPECT_EQ(SubtractKeyDigits(c.key, c.scrambled), c.text);
  }
}

TEST(KeyDigits, RoundTripOfEveryByteUnderBothFixedKeys) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  all += all;  // longer than the key, so the key wraps
  for (auto key : {kScriptParameterKey, kInstallLogKey}) {
    const std::string scrambled = AddKeyDigits(key, all);
    EXPECT_EQ(scrambled.size(), all.size());
    EXPECT_NE(scrambled, all);
    EXPECT_EQ(SubtractKeyDigits(key, scrambled), all);
  }
}

TEST(KeyDigits, RefusesAKeyThatIsNotDigits) {
  EXPECT_THROW(AddKeyDigits("1a", "xy"), platform::ESetupError);
  EXPECT_THROW(SubtractKeyDigits("", "x"), platform::ESetupError);
}

}  // namespace
