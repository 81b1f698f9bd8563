#include "app/UOSInfo.h"

#include <gtest/gtest.h>

#include "platform/Registry.h"
#include "support/TestMachine.h"

namespace {

platform::OsVersion Version(int platformId, uint32_t major, uint32_t minor,
                            const std::string& servicePack = "") {
  platform::OsVersion v;
  v.platformId = platformId;
  v.major = major;
  v.minor = minor;
  v.servicePack = servicePack;
  return v;
}

platform::OsVersion Extended(uint32_t major, uint32_t minor, uint8_t productType, uint16_t suite) {
  platform::OsVersion v = Version(2, major, minor);
  v.extendedAvailable = true;
  v.productType = productType;
  v.suiteMask = suite;
  return v;
}

TEST(OSInfo, ProductNumbersAndNames) {
  struct Case {
    int platformId;
    uint32_t major, minor;
    int product;
    const char* name;
  } cases[] = {
      {1, 4, 0, 1, "Windows 95"},         {1, 4, 10, 2, "Windows 98"},  {1, 4, 90, 3, "Windows Me"},
      {1, 4, 3, 0, "Unknown OS"},         {1, 5, 0, 0, "Unknown OS"},   {2, 4, 0, 4, "Windows NT4"},
      {2, 4, 1, 0, "Unknown OS"},         {2, 5, 0, 5, "Windows 2000"}, {2, 5, 1, 6, "Windows XP"},
      {2, 5, 2, 7, "Windows Server2003"}, {2, 5, 3, 0, "Unknown OS"},   {2, 6, 1, 8, "Windows Vista"},
      {2, 10, 0, 0, "Unknown OS"},        {0, 5, 1, 0, "Unknown OS"},
  };
  for (const auto& c : cases) {
    const int product = TOSInfo::ProductNumberOf(Version(c.platformId, c.major, c.minor));
    EXPECT_EQ(product, c.product) << c.platformId << " " << c.major << "." << c.minor;
    EXPECT_STREQ(ProductName(product), c.name);
  }
  EXPECT_STREQ(ProductName(9), "Unknown OS");
  EXPECT_STREQ(ProductName(-1), "Unknown OS");
}

TEST(OSInfo, EditionsFromTheExtendedFacts) {
  constexpr uint8_t kWorkstation = 1, kDomainController = 2, kServer = 3;
  struct Case {
    platform::OsVersion version;
    const char* edition;
  } cases[] = {
      {Extended(4, 0, kServer, 0x0002), "Server 4.0, Enterprise Edition"},
      {Extended(4, 0, kServer, 0), "Server 4.0"},
      {Extended(5, 0, kDomainController, 0x0082), "Datacenter Server"},
      {Extended(5, 0, kServer, 0x0002), "Advanced Server"},
      {Extended(5, 0, kServer, 0), "Standard Edition"},
      {Extended(5, 2, kServer, 0x0080), "DataCenter Edition"},
      {Extended(5, 2, kServer, 0x0402), "Enterprise Edition"},
      {Extended(5, 2, kServer, 0x0400), "Web Edition"},
      {Extended(5, 2, kServer, 0), "Standard Edition"},
      {Extended(6, 0, kServer, 0), ""},
      {Extended(4, 0, kWorkstation, 0), "Workstation 4.0"},
      {Extended(5, 0, kWorkstation, 0), "Professional"},
      {Extended(5, 1, kWorkstation, 0x0200), "Home Edition"},
      {Extended(5, 1, kWorkstation, 0), "Professional"},
      {Extended(6, 0, kWorkstation, 0x0200), ""},
      // Only a server or a domain controller has a server edition; any other type
      // the system reports counts as a workstation.
      {Extended(5, 1, 0, 0x0200), "Home Edition"},
      {Extended(5, 0, 4, 0x0002), "Professional"},
      {Version(1, 4, 10), ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TOSInfo::EditionOf(c.version), c.edition)
        << c.version.major << "." << c.version.minor << " type " << int(c.version.productType);
}

TEST(OSInfo, ServicePackTexts) {
  struct Case {
    platform::OsVersion version;
    const char* servicePack;
  } cases[] = {
      {Version(1, 4, 0, " C"), ""},  // the first character decides, blank included
      {Version(1, 4, 0, "C"), "OSR2"},
      {Version(1, 4, 0, "b"), "OSR2"},
      {Version(1, 4, 10, "A"), "SE"},
      {Version(1, 4, 10, "B"), ""},
      {Version(1, 4, 90, "A"), ""},
      {Version(1, 4, 0, ""), ""},
      {Version(2, 5, 1, "Service Pack 3"), "Service Pack 3"},
      {Version(2, 4, 0, "Service Pack 6"), "Service Pack 6"},  // no hotfix key
      {Version(0, 4, 0, "Service Pack 6"), ""},
  };
  testing_support::TempPrefix prefix;
  for (const auto& c : cases)
    EXPECT_EQ(TOSInfo::ServicePackOf(c.version), c.servicePack) << c.version.servicePack;
}

TEST(OSInfo, RegistryFactsWithoutTheExtendedQuery) {
  testing_support::TempPrefix prefix;
  const platform::OsVersion nt4 = Version(2, 4, 0, "service pack 6");
  EXPECT_EQ(TOSInfo::EditionOf(nt4), "");  // no ProductOptions key
  struct Case {
    const char* productType;
    const char* edition;
  } cases[] = {{"WinNT", "WorkStation 4.0"},
               {"LANMANNT", "Server 4.0"},
               {"ServerNT", "Advanced Server 4.0"},
               {"Other", ""}};
  for (const auto& c : cases) {
    auto key = platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine,
                                           "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", true);
    ASSERT_TRUE(key->WriteString("ProductType", c.productType));
    EXPECT_EQ(TOSInfo::EditionOf(nt4), c.edition) << c.productType;
  }
  ASSERT_TRUE(platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine,
                                          "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009",
                                          true));
  EXPECT_EQ(TOSInfo::ServicePackOf(nt4), "Service Pack 6a");
  EXPECT_EQ(TOSInfo::ServicePackOf(Version(2, 5, 0, "Service Pack 6")), "Service Pack 6");
}

TEST(OSInfo, ProcessorSpeedRoundsHalvesToEven) {
  struct Case {
    uint64_t ticks;
    int mhz;
  } cases[] = {
      {0, 0},
      {1249999, 2},
      {1250000, 2},  // 2.5 -> 2
      {1750000, 4},  // 3.5 -> 4
      {1250001, 3},
      {1500000000, 3000},      // a 3 GHz counter over half a second
      {8589934592ull, 17180},  // more than 32 bits of ticks are not cut off
  };
  for (const auto& c : cases) EXPECT_EQ(MhzFromCounterTicks(c.ticks), c.mhz) << c.ticks;
}

}  // namespace
