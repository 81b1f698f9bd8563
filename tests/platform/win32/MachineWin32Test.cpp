// Facts about the machine from the Win32 API, checked against what the system says of
// itself elsewhere (its registry, its environment, the C runtime), and MD5 through the
// CryptoAPI in pieces of every size.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/Errors.h"
#include "platform/Md5.h"
#include "platform/SystemInfo.h"
#include "platform/win32/WinText.h"

namespace platform {
namespace {

std::string Hex(const Md5Digest& digest) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t byte : digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

TEST(Md5Win32, EveryReferenceDigestComesOutWhateverThePieces) {
  // The test suite of RFC 1321.
  const struct {
    const char* input;
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
    const std::string input = test.input;
    for (const size_t piece : {size_t(1), size_t(3), size_t(63), size_t(64), size_t(65)}) {
      Md5 md5;
      for (size_t at = 0; at < input.size(); at += piece)
        md5.Update(input.data() + at, std::min(piece, input.size() - at));
      EXPECT_EQ(Hex(md5.Finish()), test.digest) << input << " in pieces of " << piece;
    }
  }
}

TEST(Md5Win32, ADigestIsTakenOnce) {
  Md5 md5;
  md5.Update("abc", 3);
  EXPECT_EQ(Hex(md5.Finish()), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_THROW(md5.Finish(), ESetupError);
  EXPECT_THROW(md5.Update("d", 1), ESetupError);
}

// A value of HKLM's version key as the system keeps it (read only).
std::wstring CurrentVersionValue(const wchar_t* name, DWORD* number = nullptr) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion", 0, KEY_READ,
                    &key) != ERROR_SUCCESS)
    return std::wstring();
  wchar_t text[256] = {};
  DWORD size = sizeof text - sizeof(wchar_t);
  DWORD type = 0;
  std::wstring result;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) == ERROR_SUCCESS) {
    if (type == REG_DWORD && number) std::memcpy(number, text, sizeof *number);
    if (type == REG_SZ) result = text;
  }
  RegCloseKey(key);
  return result;
}

TEST(SystemInfoWin32, TheVersionIsTheOneTheSystemRecords) {
  const OsVersion version = QueryOsVersion();
  EXPECT_EQ(version.platformId, VER_PLATFORM_WIN32_NT);
  ASSERT_TRUE(version.extendedAvailable);
  EXPECT_GE(version.productType, VER_NT_WORKSTATION);
  EXPECT_LE(version.productType, VER_NT_SERVER);
  const std::wstring build = CurrentVersionValue(L"CurrentBuildNumber");
  if (build.empty()) GTEST_SKIP() << "the system records no build number";
  // A program without a manifest naming the newest systems is told an older version
  // by GetVersionExW; the real one is what the system records.
  EXPECT_EQ(std::to_wstring(version.build), build);
  DWORD major = 0;
  CurrentVersionValue(L"CurrentMajorVersionNumber", &major);
  const std::wstring current = CurrentVersionValue(L"CurrentVersion");
  if (major != 0) {
    EXPECT_EQ(version.major, major);
  } else if (!current.empty()) {
    EXPECT_EQ(std::to_wstring(version.major) + L"." + std::to_wstring(version.minor), current);
  }
  EXPECT_EQ(version.servicePack, win32::Ansi(CurrentVersionValue(L"CSDVersion")));
}

TEST(SystemInfoWin32, PrioritiesRiseForAMeasurementAndComeBackAsTheyWere) {
  const HANDLE process = GetCurrentProcess(), thread = GetCurrentThread();
  const DWORD originalClass = GetPriorityClass(process);
  const int originalThread = GetThreadPriority(thread);
  // Start from priorities that are not the defaults, so that a restore to the
  // defaults would show.
  ASSERT_TRUE(SetPriorityClass(process, BELOW_NORMAL_PRIORITY_CLASS));
  ASSERT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_LOWEST));
  const SavedPriority saved = RaisePriorityToHighest();
  const DWORD raisedClass = GetPriorityClass(process);
  const int raisedThread = GetThreadPriority(thread);
  RestorePriority(saved);
  const DWORD restoredClass = GetPriorityClass(process);
  const int restoredThread = GetThreadPriority(thread);
  SetThreadPriority(thread, originalThread);
  SetPriorityClass(process, originalClass);

  ASSERT_TRUE(saved.valid);
  // Without the right to the real-time class the system gives the high one.
  EXPECT_TRUE(raisedClass == REALTIME_PRIORITY_CLASS || raisedClass == HIGH_PRIORITY_CLASS) << raisedClass;
  EXPECT_EQ(raisedThread, THREAD_PRIORITY_TIME_CRITICAL);
  EXPECT_EQ(restoredClass, static_cast<DWORD>(BELOW_NORMAL_PRIORITY_CLASS));
  EXPECT_EQ(restoredThread, THREAD_PRIORITY_LOWEST);
}

TEST(SystemInfoWin32, ClocksMoveWithTheSleep) {
  const uint32_t ticks = TickCount();
  const uint64_t counter = TimeStampCounter();
  SleepMs(100);
  const uint32_t elapsed = TickCount() - ticks;  // unsigned: right across the wrap too
  // The tick count moves in steps of up to 16 ms, at either end of the sleep.
  EXPECT_GE(elapsed, 100u - 2 * 16u);
  EXPECT_LT(elapsed, 10000u);
  EXPECT_GT(TimeStampCounter(), counter);
}

TEST(SystemInfoWin32, TheMachineTellsItsMemoryDateAndLanguage) {
  EXPECT_GT(PhysicalMemoryBytes(), 64ull << 20);
  // The date as the C runtime has it (read again should midnight pass in between).
  for (int attempt = 0; attempt < 2; ++attempt) {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    ASSERT_NE(local, nullptr);
    const LocalDate today = Today();
    if (today.day != local->tm_mday && attempt == 0) continue;
    EXPECT_EQ(today.year, local->tm_year + 1900);
    EXPECT_EQ(today.month, local->tm_mon + 1);
    EXPECT_EQ(today.day, local->tm_mday);
    break;
  }
  // A language identifier names a primary language.
  EXPECT_NE(PRIMARYLANGID(DefaultLanguageId()), LANG_NEUTRAL);
}

}  // namespace
}  // namespace platform
