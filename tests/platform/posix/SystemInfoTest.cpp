#include "platform/SystemInfo.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "platform/posix/LanguageIds.h"
#include "platform/Md5.h"
#include "platform/Shell.h"
#include "platform/posix/Prefix.h"
#include "support/TestMachine.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using testing_support::TempPrefix;

void WriteSystemReg(const TempPrefix& prefix, const std::string& body) {
  std::ofstream(prefix.Root() / "system.reg", std::ios::binary | std::ios::trunc)
      << posix::kSystemRegHeader << body;
}

void WriteUserReg(const TempPrefix& prefix, const std::string& body) {
  std::ofstream(prefix.Root() / "user.reg", std::ios::binary | std::ios::trunc)
      << posix::kUserRegHeader << body;
}

// Sets (or clears, for nullptr) an environment variable while the object lives.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) previous_ = old, had_ = true;
    if (value) setenv(name, value, 1);
    else unsetenv(name);
  }
  ~ScopedEnv() {
    if (had_) setenv(name_, previous_.c_str(), 1);
    else unsetenv(name_);
  }

 private:
  const char* name_;
  std::string previous_;
  bool had_ = false;
};

// CurrentControlSet as a real prefix has it: a link to ControlSet001.
const char kControlSetLink[] = R"REG(
[System\\CurrentControlSet] 1
#link
"SymbolicLinkValue"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,79,\
  00,5c,00,4d,00,61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,53,00,79,00,73,00,\
  74,00,65,00,6d,00,5c,00,43,00,6f,00,6e,00,74,00,72,00,6f,00,6c,00,53,00,65,\
  00,74,00,30,00,30,00,31,00
)REG";

TEST(SystemInfo, LocaleNamesBecomeLanguageIdentifiers) {
  const struct {
    const char* locale;
    uint16_t id;
  } cases[] = {
      {"cs_CZ.UTF-8", 0x0405}, {"en_US.UTF-8", 0x0409},
      {"en_GB", 0x0809},       {"de_DE@euro", 0x0407},
      {"de_AT.UTF-8", 0x0C07}, {"de_IT.UTF-8", 0x0407},
      {"fr_CA", 0x0C0C},       {"pl_PL.ISO-8859-2", 0x0415},
      {"pt_BR", 0x0416},       {"pt_PT", 0x0816},
      {"es_ES", 0x0C0A},       {"es_MX", 0x080A},
      {"zh_TW.Big5", 0x0404},  {"zh_CN.GB18030", 0x0804},
      {"ja_JP.eucJP", 0x0411}, {"ru", 0x0419},
      {"sr_RS", 0x281A},       {"sr_RS@latin", 0x241A},
      {"C", 0x0409},           {"POSIX", 0x0409},
      {"C.UTF-8", 0x0409},     {"", 0x0409},
      {"xx_YY", 0x0409},       {"SV_se", 0x041D},
  };
  for (const auto& test : cases) EXPECT_EQ(posix::LanguageIdFromLocale(test.locale), test.id) << test.locale;
}

TEST(SystemInfo, TheLanguageComesFromLcAllThenLcMessagesThenLang) {
  const struct {
    const char* all;
    const char* messages;
    const char* lang;
    uint16_t id;
  } cases[] = {
      {"pl_PL.UTF-8", "de_DE.UTF-8", "cs_CZ.UTF-8", 0x0415},
      {nullptr, "de_DE.UTF-8", "cs_CZ.UTF-8", 0x0407},
      {"", "", "cs_CZ.UTF-8", 0x0405},
      {nullptr, nullptr, nullptr, 0x0409},
  };
  for (const auto& test : cases) {
    ScopedEnv all("LC_ALL", test.all), messages("LC_MESSAGES", test.messages), lang("LANG", test.lang);
    EXPECT_EQ(DefaultLanguageId(), test.id) << (test.lang ? test.lang : "(none)");
  }
}

TEST(SystemInfo, AFreshPrefixHasAnUnknownWindowsVersion) {
  TempPrefix prefix;
  const OsVersion version = QueryOsVersion();
  EXPECT_EQ(version.platformId, 0);
  EXPECT_EQ(version.major, 0u);
  EXPECT_FALSE(version.extendedAvailable);
}

TEST(SystemInfo, TheWindowsVersionIsWhatThePrefixRecords) {
  TempPrefix prefix;
  WriteSystemReg(prefix, R"REG(
[Software\\Microsoft\\Windows NT\\CurrentVersion] 1
"CSDVersion"="Service Pack 3"
"CurrentBuildNumber"="2600"
"CurrentVersion"="5.1"

[System\\ControlSet001\\Control\\ProductOptions] 1
"ProductSuite"=hex(7):50,00,65,00,72,00,73,00,6f,00,6e,00,61,00,6c,00,00,00,00,00
"ProductType"="WinNT"

[System\\ControlSet001\\Control\\Windows] 1
"CSDVersion"=dword:00000300
)REG" + std::string(kControlSetLink));
  OsVersion xp = QueryOsVersion();
  EXPECT_EQ(xp.platformId, 2);
  EXPECT_EQ(xp.major, 5u);
  EXPECT_EQ(xp.minor, 1u);
  EXPECT_EQ(xp.build, 2600u);
  EXPECT_EQ(xp.servicePack, "Service Pack 3");
  EXPECT_TRUE(xp.extendedAvailable);
  EXPECT_EQ(xp.servicePackMajor, 3);
  EXPECT_EQ(xp.servicePackMinor, 0);
  EXPECT_EQ(xp.productType, 1);
  EXPECT_EQ(xp.suiteMask, 0x0200);  // Personal: the home edition

  WriteSystemReg(prefix, R"REG(
[Software\\Microsoft\\Windows NT\\CurrentVersion] 1
"CSDVersion"=""
"CurrentBuild"="19045"
"CurrentMajorVersionNumber"=dword:0000000a
"CurrentMinorVersionNumber"=dword:00000000
"CurrentVersion"="6.3"

[System\\ControlSet001\\Control\\ProductOptions] 1
"ProductType"="ServerNT"
)REG" + std::string(kControlSetLink));
  OsVersion ten = QueryOsVersion();
  EXPECT_EQ(ten.major, 10u);
  EXPECT_EQ(ten.minor, 0u);
  EXPECT_EQ(ten.build, 19045u);
  EXPECT_EQ(ten.productType, 3);
  EXPECT_EQ(ten.servicePack, "");

  WriteSystemReg(prefix, R"REG(
[Software\\Microsoft\\Windows\\CurrentVersion] 1
"SubVersionNumber"=" A "
"VersionNumber"="4.10.2222"
)REG");
  OsVersion se = QueryOsVersion();
  EXPECT_EQ(se.platformId, 1);
  EXPECT_EQ(se.major, 4u);
  EXPECT_EQ(se.minor, 10u);
  EXPECT_EQ(se.build, 2222u);
  EXPECT_EQ(se.servicePack, " A ");
  EXPECT_FALSE(se.extendedAvailable);

  // winecfg's choice wins over the keys.
  WriteUserReg(prefix, "\n[Software\\\\Wine] 1\n\"Version\"=\"win2k\"\n");
  OsVersion chosen = QueryOsVersion();
  EXPECT_EQ(chosen.platformId, 2);
  EXPECT_EQ(chosen.major, 5u);
  EXPECT_EQ(chosen.minor, 0u);
  EXPECT_EQ(chosen.build, 2195u);
  EXPECT_EQ(chosen.servicePack, "Service Pack 4");
  EXPECT_EQ(chosen.servicePackMajor, 4);
  EXPECT_EQ(chosen.productType, 1);
}

TEST(SystemInfo, SpecialFoldersComeFromTheRegistryWithWinesDefaults) {
  TempPrefix prefix;
  const std::string profile = "C:\\users\\" + posix::UserName();
  EXPECT_EQ(SpecialFolderPath(kFolderPrograms),
            profile + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs");
  EXPECT_EQ(SpecialFolderPath(kFolderProgramFiles), "C:\\Program Files");
  EXPECT_EQ(SpecialFolderPath(0x10), profile + "\\Desktop");
  EXPECT_EQ(SpecialFolderPath(12345), "");

  WriteUserReg(prefix, R"REG(
[Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders] 1
"Desktop"="C:\\users\\old\\Desktop"
"Programs"="C:\\users\\old\\Programs"

[Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders] 1
"Programs"=str(2):"%USERPROFILE%\\Start Menu\\Programs\\"
)REG");
  WriteSystemReg(prefix,
                 "#arch=win64\n\n"
                 "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion] 1\n"
                 "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\n\n"
                 "[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion] 1\n"
                 "\"ProgramFilesDir\"=\"C:\\\\Program Files (x86)\"\n");
  EXPECT_EQ(SpecialFolderPath(kFolderPrograms), profile + "\\Start Menu\\Programs");
  EXPECT_EQ(SpecialFolderPath(0x10), "C:\\users\\old\\Desktop");
  EXPECT_EQ(SpecialFolderPath(kFolderProgramFiles), "C:\\Program Files (x86)");
}

TEST(SystemInfo, ClocksMemoryPrioritiesAndTheDate) {
  const auto milliseconds = [] {
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
  };
  const uint32_t before = milliseconds();
  const uint32_t tick = TickCount();
  const uint32_t after = milliseconds();
  EXPECT_LE(tick - before, after - before);  // the same clock, read in between
  const uint64_t stamp = TimeStampCounter();
  SleepMs(2);
  EXPECT_GT(TimeStampCounter(), stamp);
  EXPECT_EQ(PhysicalMemoryBytes(), uint64_t(sysconf(_SC_PHYS_PAGES)) * uint64_t(sysconf(_SC_PAGESIZE)));
  EXPECT_EQ(SystemMetric(86), 0);
  EXPECT_EQ(SystemMetric(87), 0);

  const int nice = getpriority(PRIO_PROCESS, 0);
  const SavedPriority saved = RaisePriorityToHighest();
  EXPECT_TRUE(saved.valid);
  if (geteuid() == 0) {
    EXPECT_EQ(getpriority(PRIO_PROCESS, 0), -20);  // with the right to raise it
  }
  RestorePriority(saved);
  EXPECT_EQ(getpriority(PRIO_PROCESS, 0), nice);

  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const LocalDate today = Today();
  // Equal unless midnight passed between the two readings.
  if (today.day == local.tm_mday) {
    EXPECT_EQ(today.year, local.tm_year + 1900);
    EXPECT_EQ(today.month, local.tm_mon + 1);
  }
}

std::string Hex(const Md5Digest& digest) {
  std::string text;
  char part[3];
  for (const uint8_t b : digest) {
    std::snprintf(part, sizeof part, "%02x", b);
    text += part;
  }
  return text;
}

TEST(Md5, TheTestSuiteOfItsDefinition) {
  const struct {
    std::string message;
    const char* digest;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(Hex(Md5Of(test.message.data(), test.message.size())), test.digest) << test.message;
    Md5 pieces;  // the same digest when fed in pieces
    for (size_t i = 0; i < test.message.size(); i += 7)
      pieces.Update(test.message.data() + i, std::min<size_t>(7, test.message.size() - i));
    EXPECT_EQ(Hex(pieces.Finish()), test.digest) << test.message;
  }
}

}  // namespace
}  // namespace platform
