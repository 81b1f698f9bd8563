#include "app/UOSInfo.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/Registry.h"

namespace {

constexpr int kPlatformWindows = 1;  // the Windows 95 family
constexpr int kPlatformNT = 2;

constexpr uint8_t kProductDomainController = 2;
constexpr uint8_t kProductServer = 3;

constexpr uint16_t kSuiteEnterprise = 0x0002;
constexpr uint16_t kSuiteDatacenter = 0x0080;
constexpr uint16_t kSuitePersonal = 0x0200;
constexpr uint16_t kSuiteBlade = 0x0400;

constexpr int kMetricTabletPC = 86;
constexpr int kMetricMediaCenter = 87;

constexpr const char* kProductNames[] = {
    "Unknown OS",   "Windows 95", "Windows 98",         "Windows Me",    "Windows NT4",
    "Windows 2000", "Windows XP", "Windows Server2003", "Windows Vista",
};

// The edition of an NT system without the extended version facts: the product type
// the registry records.
std::string EditionFromProductOptions(const platform::OsVersion& v) {
  const auto key = platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine,
                                               "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", false);
  if (!key) return "";
  const std::string type = platform::AsciiUpper(key->ReadString("ProductType").value_or(""));
  std::string edition;
  if (type == "WINNT") edition = "WorkStation";
  else if (type == "LANMANNT") edition = "Server";
  else if (type == "SERVERNT") edition = "Advanced Server";
  else return "";
  return edition + " " + std::to_string(v.major) + "." + std::to_string(v.minor);
}

std::string ServerEdition(int product, uint16_t suite) {
  switch (product) {
    case 4: return suite & kSuiteEnterprise ? "Server 4.0, Enterprise Edition" : "Server 4.0";
    case 5:
      if (suite & kSuiteDatacenter) return "Datacenter Server";
      return suite & kSuiteEnterprise ? "Advanced Server" : "Standard Edition";
    case 7:
      if (suite & kSuiteDatacenter) return "DataCenter Edition";
      if (suite & kSuiteEnterprise) return "Enterprise Edition";
      return suite & kSuiteBlade ? "Web Edition" : "Standard Edition";
    default: return "";
  }
}

std::string WorkstationEdition(int product, uint16_t suite) {
  switch (product) {
    case 4: return "Workstation 4.0";
    case 5: return "Professional";
    case 6:
      if (platform::SystemMetric(kMetricMediaCenter) != 0) return "Media Center Edition";
      if (platform::SystemMetric(kMetricTabletPC) != 0) return "Tablet PC Edition";
      return suite & kSuitePersonal ? "Home Edition" : "Professional";
    default: return "";
  }
}

}  // namespace

const char* ProductName(int productNumber) {
  if (productNumber < 0 || productNumber > 8) return kProductNames[0];
  return kProductNames[productNumber];
}

int TOSInfo::ProductNumberOf(const platform::OsVersion& v) {
  if (v.platformId == kPlatformWindows) {
    if (v.major != 4) return 0;
    if (v.minor == 0) return 1;
    if (v.minor == 10) return 2;
    if (v.minor == 90) return 3;
    return 0;
  }
  if (v.platformId != kPlatformNT) return 0;
  switch (v.major) {
    case 4: return v.minor == 0 ? 4 : 0;
    case 5:
      if (v.minor == 0) return 5;
      if (v.minor == 1) return 6;
      if (v.minor == 2) return 7;
      return 0;
    case 6: return 8;
    default: return 0;
  }
}

std::string TOSInfo::EditionOf(const platform::OsVersion& v) {
  if (v.platformId != kPlatformNT) return "";
  if (!v.extendedAvailable) return EditionFromProductOptions(v);
  const int product = ProductNumberOf(v);
  if (v.productType == kProductServer || v.productType == kProductDomainController)
    return ServerEdition(product, v.suiteMask);
  return WorkstationEdition(product, v.suiteMask);
}

std::string TOSInfo::ServicePackOf(const platform::OsVersion& v) {
  const int product = ProductNumberOf(v);
  if (v.platformId == kPlatformWindows) {
    if (v.servicePack.empty()) return "";
    const char first = platform::AsciiUpper(v.servicePack.substr(0, 1))[0];
    if (product == 1 && (first == 'B' || first == 'C')) return "OSR2";
    if (product == 2 && first == 'A') return "SE";
    return "";
  }
  if (v.platformId != kPlatformNT) return "";
  if (product == 4 && platform::SameTextAscii(v.servicePack, "Service Pack 6")) {
    const auto hotfix = platform::RegistryKey::Open(
        platform::RegistryRoot::LocalMachine,
        "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009", false);
    if (hotfix) return "Service Pack 6a";
  }
  return v.servicePack;
}

const platform::OsVersion& TOSInfo::Version() {
  static const platform::OsVersion version = platform::QueryOsVersion();
  return version;
}

int TOSInfo::ProductNumber() { return ProductNumberOf(Version()); }
std::string TOSInfo::Edition() { return EditionOf(Version()); }
std::string TOSInfo::ServicePack() { return ServicePackOf(Version()); }
int TOSInfo::ServicePackMajor() { return Version().servicePackMajor; }
int TOSInfo::ServicePackMinor() { return Version().servicePackMinor; }
int TOSInfo::BuildNumber() {
  // The Windows 95 family keeps the version in the high word of its build number.
  const platform::OsVersion& v = Version();
  return static_cast<int>(v.platformId == kPlatformWindows ? v.build & 0xFFFF : v.build);
}

int MhzFromCounterTicks(uint64_t ticks) {
  constexpr uint64_t kTicksPerMhz = 500000;  // half a second of a 1 MHz counter
  uint64_t mhz = ticks / kTicksPerMhz;
  const uint64_t rest = ticks % kTicksPerMhz;
  if (rest > kTicksPerMhz / 2 || (rest == kTicksPerMhz / 2 && (mhz & 1) != 0)) ++mhz;
  return static_cast<int>(std::min<uint64_t>(mhz, INT32_MAX));
}

namespace {
int MeasureOnce() {
  const platform::SavedPriority saved = platform::RaisePriorityToHighest();
  platform::SleepMs(10);
  const uint64_t start = platform::TimeStampCounter();
  platform::SleepMs(500);
  const uint64_t end = platform::TimeStampCounter();
  platform::RestorePriority(saved);
  return MhzFromCounterTicks(end - start);
}
}  // namespace

int MeasureCpuSpeedMhz() {
  const int first = MeasureOnce();
  const int second = MeasureOnce();
  return std::max(first, second);
}
