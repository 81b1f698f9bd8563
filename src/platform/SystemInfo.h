// Facts about the machine and the running process: language, Windows version,
// memory, clocks, priorities, the date.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The system's default language identifier (LANGID), e.g. 0x0409 for US English.
// On Linux it is derived from LC_ALL / LC_MESSAGES / LANG ("cs_CZ.UTF-8" -> 0x0405).
uint16_t DefaultLanguageId();

// The Windows version as the system's (extended) version query reports it. On Linux
// these come from the prefix's registry; without them the platform is 0 and the
// program reports "Unknown OS".
struct OsVersion {
  int platformId = 0;  // 0 unknown / Win32s, 1 Windows 95 family, 2 NT family
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  std::string servicePack;  // e.g. "Service Pack 2"
  bool extendedAvailable = false;
  uint16_t servicePackMajor = 0;
  uint16_t servicePackMinor = 0;
  uint16_t suiteMask = 0;
  uint8_t productType = 0;  // 1 workstation, 2 domain controller, 3 server
};
OsVersion QueryOsVersion();

// A system metric (GetSystemMetrics); 0 for the ones the host does not have.
int SystemMetric(int index);

uint64_t PhysicalMemoryBytes();

// Milliseconds since some fixed point; wraps at 2^32.
uint32_t TickCount();
void SleepMs(uint32_t milliseconds);
// The processor's time-stamp counter (or a nanosecond clock where there is none).
uint64_t TimeStampCounter();

// Raising the process and thread to the highest priority for a measurement and
// restoring them afterwards; best effort (without rights, nothing changes).
struct SavedPriority {
  int processPriority = 0;
  int threadPriority = 0;
  bool valid = false;
};
SavedPriority RaisePriorityToHighest();
void RestorePriority(const SavedPriority& saved);

struct LocalDate {
  int year = 1980;
  int month = 1;
  int day = 1;
};
LocalDate Today();

// True where the system's elevation prompt names the program, signature and all, so
// that what the program carries is what the user agreed to run with raised rights
// (Windows). On Linux a program is run as it is, as the user or through sudo, with no
// prompt that vouches for its package.
bool ElevationPromptNamesTheProgram();

}  // namespace platform
