// The registry commands as the Linux half keeps them: the values a run writes land in
// the prefix's registry files (machine keys in system.reg, the user's in user.reg), so
// that Wine's programs see them afterwards.
#include <gtest/gtest.h>

#include "engine/SetupRunFixture.h"

namespace engine_test {
namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class RegistryFilesPosixTest : public SetupRun {};

TEST_F(RegistryFilesPosixTest, WrittenValuesLandInThePrefixsRegistryFiles) {
  Pack(
      "writeregstr HKLM Software\\Demo Path $INSTDIR\n"
      "writeregstr HKCU \"Software\\Demo Maker\" \"\" \"$INSTDIR\\demo.exe\"\n"
      "writeregstr_url demoproto $INSTDIR\\demo.ico $INSTDIR\\demo.exe %1\n");
  Run();
  const std::string system = RegistryFile("system.reg");
  EXPECT_TRUE(Has(system, "[Software\\\\Demo]")) << system;
  EXPECT_TRUE(Has(system, "\"Path\"=\"C:\\\\Games\\\\Demo\\\\\"")) << system;
  EXPECT_TRUE(Has(system, "[Software\\\\Classes\\\\demoproto\\\\shell\\\\open\\\\command]")) << system;
  EXPECT_TRUE(Has(RegistryFile("user.reg"), "@=\"C:\\\\Games\\\\Demo\\\\demo.exe\""));
}

}  // namespace
}  // namespace engine_test
