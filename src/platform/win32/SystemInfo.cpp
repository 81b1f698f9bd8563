// Facts about the machine from the Win32 API.
#include "platform/SystemInfo.h"

#include <windows.h>
#include <intrin.h>

#include "platform/win32/WinText.h"

namespace platform {

namespace {

// RtlGetVersion tells the truth where GetVersionExW may be shimmed.
bool NtVersion(OSVERSIONINFOEXW& info) {
  using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto rtlGetVersion = ntdll ? reinterpret_cast<RtlGetVersionFunction>(
                                         reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                                   : nullptr;
  return rtlGetVersion && rtlGetVersion(&info) == 0;
}

}  // namespace

uint16_t DefaultLanguageId() { return GetSystemDefaultLangID(); }

OsVersion QueryOsVersion() {
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  bool extended = NtVersion(info);
  if (!extended) {
    extended = GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
    if (!extended) {
      info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
      if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return OsVersion{};
    }
  }
  OsVersion version;
  version.platformId = static_cast<int>(info.dwPlatformId);
  version.major = info.dwMajorVersion;
  version.minor = info.dwMinorVersion;
  version.build = info.dwBuildNumber;
  version.servicePack = win32::Ansi(info.szCSDVersion);
  version.extendedAvailable = extended;
  if (extended) {
    version.servicePackMajor = info.wServicePackMajor;
    version.servicePackMinor = info.wServicePackMinor;
    version.suiteMask = info.wSuiteMask;
    version.productType = info.wProductType;
  }
  return version;
}

int SystemMetric(int index) { return GetSystemMetrics(index); }

uint64_t PhysicalMemoryBytes() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof(status);
  return GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
}

uint32_t TickCount() { return GetTickCount(); }

void SleepMs(uint32_t milliseconds) { Sleep(milliseconds); }

uint64_t TimeStampCounter() { return __rdtsc(); }

SavedPriority RaisePriorityToHighest() {
  SavedPriority saved;
  saved.processPriority = static_cast<int>(GetPriorityClass(GetCurrentProcess()));
  saved.threadPriority = GetThreadPriority(GetCurrentThread());
  if (saved.processPriority == 0 || saved.threadPriority == THREAD_PRIORITY_ERROR_RETURN) return saved;
  saved.valid = true;
  // Without the right to the real-time class the system gives the high one.
  SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  return saved;
}

void RestorePriority(const SavedPriority& saved) {
  if (!saved.valid) return;
  SetThreadPriority(GetCurrentThread(), saved.threadPriority);
  SetPriorityClass(GetCurrentProcess(), static_cast<DWORD>(saved.processPriority));
}

LocalDate Today() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return LocalDate{now.wYear, now.wMonth, now.wDay};
}

bool ElevationPromptNamesTheProgram() { return true; }

}  // namespace platform
