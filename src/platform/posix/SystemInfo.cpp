// Facts about the machine on Linux. The Windows version is what the prefix says about
// itself: winecfg's "Version" choice when there is one, else the version keys wineboot
// wrote; a prefix without either reports the unknown platform.
#include "platform/SystemInfo.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/sysinfo.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

#include "platform/CodePage.h"
#include "platform/LittleEndian.h"
#include "platform/posix/LanguageIds.h"
#include "platform/posix/RegistryStore.h"
#include "platform/posix/RegistryText.h"

namespace platform {

namespace {

using posix::ReadRegistryValue;
using posix::RegistryDword;
using posix::RegistryString;

constexpr char kNtCurrentVersion[] = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr char k9xCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr char kProductOptions[] = "System\\CurrentControlSet\\Control\\ProductOptions";
constexpr char kWindowsControl[] = "System\\CurrentControlSet\\Control\\Windows";

// The versions winecfg offers, as Wine reports them.
struct NamedVersion {
  const char* name;
  int platformId;
  uint32_t major, minor, build;
  const char* servicePack;
  uint16_t servicePackMajor;
  uint8_t productType;
};

const NamedVersion kNamedVersions[] = {
    {"win11", 2, 10, 0, 22000, "", 0, 1},
    {"win10", 2, 10, 0, 19045, "", 0, 1},
    {"win81", 2, 6, 3, 9600, "", 0, 1},
    {"win8", 2, 6, 2, 9200, "", 0, 1},
    {"win2008r2", 2, 6, 1, 7601, "Service Pack 1", 1, 3},
    {"win7", 2, 6, 1, 7601, "Service Pack 1", 1, 1},
    {"win2008", 2, 6, 0, 6002, "Service Pack 2", 2, 3},
    {"vista", 2, 6, 0, 6002, "Service Pack 2", 2, 1},
    {"win2003", 2, 5, 2, 3790, "Service Pack 2", 2, 3},
    {"winxp64", 2, 5, 2, 3790, "Service Pack 2", 2, 1},
    {"winxp", 2, 5, 1, 2600, "Service Pack 3", 3, 1},
    {"win2k", 2, 5, 0, 2195, "Service Pack 4", 4, 1},
    {"nt40", 2, 4, 0, 1381, "Service Pack 6a", 6, 1},
    {"nt351", 2, 3, 51, 1057, "Service Pack 5", 5, 1},
    {"winme", 1, 4, 90, 3000, " ", 0, 0},
    {"win98", 1, 4, 10, 2222, " A ", 0, 0},
    {"win95", 1, 4, 0, 950, "", 0, 0},
};

uint32_t Number(const std::string& text) {
  return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
}

std::optional<OsVersion> ChosenInWinecfg() {
  for (const RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
    const auto chosen = RegistryString(ReadRegistryValue(root, "Software\\Wine", "Version"));
    if (!chosen) continue;
    for (const NamedVersion& named : kNamedVersions) {
      if (AsciiLower(*chosen) != named.name) continue;
      OsVersion version;
      version.platformId = named.platformId;
      version.major = named.major;
      version.minor = named.minor;
      version.build = named.build;
      version.servicePack = named.servicePack;
      version.extendedAvailable = named.platformId == 2 && named.major >= 5;
      if (version.extendedAvailable) {
        version.servicePackMajor = named.servicePackMajor;
        version.productType = named.productType;
      }
      return version;
    }
  }
  return std::nullopt;
}

uint16_t SuiteMask(const Result<posix::RegistryData>& suites) {
  struct Suite {
    const char* name;
    uint16_t flag;
  };
  static const Suite kSuites[] = {{"Small Business", 0x0001},  {"Enterprise", 0x0002},
                                  {"BackOffice", 0x0004},      {"CommunicationServer", 0x0008},
                                  {"Terminal Server", 0x0010}, {"Small Business(Restricted)", 0x0020},
                                  {"EmbeddedNT", 0x0040},      {"DataCenter", 0x0080},
                                  {"Personal", 0x0200},        {"Blade", 0x0400}};
  if (!suites || (suites->type != posix::kRegMultiString && suites->type != posix::kRegString)) return 0;
  uint16_t mask = 0;
  std::u16string item;
  for (size_t k = 0; k + 1 < suites->data.size(); k += 2) {
    const char16_t c = static_cast<char16_t>(DecodeFixed16(&suites->data[k]));
    if (c != 0) {
      item += c;
      continue;
    }
    for (const Suite& suite : kSuites)
      if (SameTextAscii(WideToAnsi(item), suite.name)) mask |= suite.flag;
    item.clear();
  }
  return mask;
}

std::optional<OsVersion> RecordedNt() {
  const RegistryRoot hklm = RegistryRoot::LocalMachine;
  const auto current = RegistryString(ReadRegistryValue(hklm, kNtCurrentVersion, "CurrentVersion"));
  const auto major = RegistryDword(ReadRegistryValue(hklm, kNtCurrentVersion, "CurrentMajorVersionNumber"));
  if (!current && !major) return std::nullopt;
  OsVersion version;
  version.platformId = 2;
  if (major) {
    version.major = *major;
    version.minor =
        RegistryDword(ReadRegistryValue(hklm, kNtCurrentVersion, "CurrentMinorVersionNumber")).value_or(0);
  } else {
    version.major = Number(*current);
    const size_t dot = current->find('.');
    version.minor = dot == std::string::npos ? 0 : Number(current->substr(dot + 1));
  }
  version.build = Number(
      RegistryString(ReadRegistryValue(hklm, kNtCurrentVersion, "CurrentBuildNumber"))
          .value_or(
              RegistryString(ReadRegistryValue(hklm, kNtCurrentVersion, "CurrentBuild")).value_or("0")));
  version.servicePack = RegistryString(ReadRegistryValue(hklm, kNtCurrentVersion, "CSDVersion")).value_or("");
  version.extendedAvailable = version.major >= 5;
  if (!version.extendedAvailable) return version;
  if (const auto csd = RegistryDword(ReadRegistryValue(hklm, kWindowsControl, "CSDVersion"))) {
    version.servicePackMajor = static_cast<uint16_t>((*csd >> 8) & 0xFF);
    version.servicePackMinor = static_cast<uint16_t>(*csd & 0xFF);
  } else if (version.servicePack.rfind("Service Pack ", 0) == 0) {
    version.servicePackMajor = static_cast<uint16_t>(Number(version.servicePack.substr(13)));
  }
  const std::string type =
      AsciiLower(RegistryString(ReadRegistryValue(hklm, kProductOptions, "ProductType")).value_or(""));
  version.productType = type == "lanmannt" ? 2 : type == "servernt" ? 3 : 1;
  version.suiteMask = SuiteMask(ReadRegistryValue(hklm, kProductOptions, "ProductSuite"));
  return version;
}

std::optional<OsVersion> Recorded9x() {
  const auto number =
      RegistryString(ReadRegistryValue(RegistryRoot::LocalMachine, k9xCurrentVersion, "VersionNumber"));
  if (!number) return std::nullopt;
  OsVersion version;
  version.platformId = 1;
  const size_t first = number->find('.');
  const size_t second = first == std::string::npos ? first : number->find('.', first + 1);
  version.major = Number(*number);
  version.minor = first == std::string::npos ? 0 : Number(number->substr(first + 1));
  version.build = second == std::string::npos ? 0 : Number(number->substr(second + 1));
  version.servicePack =
      RegistryString(ReadRegistryValue(RegistryRoot::LocalMachine, k9xCurrentVersion, "SubVersionNumber"))
          .value_or("");
  return version;
}

}  // namespace

uint16_t DefaultLanguageId() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return posix::LanguageIdFromLocale(value);
  }
  return posix::LanguageIdFromLocale("C");
}

OsVersion QueryOsVersion() {
  if (auto version = ChosenInWinecfg()) return *version;
  if (auto version = RecordedNt()) return *version;
  if (auto version = Recorded9x()) return *version;
  return OsVersion{};
}

int SystemMetric(int) {
  // Screens, Tablet PC and Media Center facts belong to a desktop this layer does not
  // know; the program asks only for the latter two, whose answer here is "no".
  return 0;
}

uint64_t PhysicalMemoryBytes() {
  struct sysinfo info;
  if (sysinfo(&info) != 0) return 0;
  return static_cast<uint64_t>(info.totalram) * info.mem_unit;
}

uint32_t TickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(uint64_t(now.tv_sec) * 1000 + uint64_t(now.tv_nsec) / 1'000'000);
}

void SleepMs(uint32_t milliseconds) {
  timespec wait{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1'000'000};
  while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
  }
}

uint64_t TimeStampCounter() {
#if defined(__x86_64__) || defined(__i386__)
  return __rdtsc();
#else
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_RAW, &now);
  return uint64_t(now.tv_sec) * 1'000'000'000 + uint64_t(now.tv_nsec);
#endif
}

// Linux keeps a nice value per thread: the process's is its main thread's.
SavedPriority RaisePriorityToHighest() {
  SavedPriority saved;
  const id_t process = static_cast<id_t>(getpid());
  const id_t thread = static_cast<id_t>(syscall(SYS_gettid));
  errno = 0;
  saved.processPriority = getpriority(PRIO_PROCESS, process);
  saved.threadPriority = getpriority(PRIO_PROCESS, thread);
  if (errno != 0) return saved;
  saved.valid = true;
  setpriority(PRIO_PROCESS, process, -20);  // without the right, nothing changes
  setpriority(PRIO_PROCESS, thread, -20);
  return saved;
}

void RestorePriority(const SavedPriority& saved) {
  if (!saved.valid) return;
  setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), saved.threadPriority);
  setpriority(PRIO_PROCESS, static_cast<id_t>(getpid()), saved.processPriority);
}

LocalDate Today() {
  const time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  return LocalDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

bool ElevationPromptNamesTheProgram() { return false; }

}  // namespace platform
