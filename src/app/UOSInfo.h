// What the error report says about Windows: the product name, edition and service
// pack worked out from the system's version query (queried once, when first asked),
// plus the processor speed measured from the time-stamp counter.
//
// On Linux the version facts come from the prefix's registry; without them the
// platform is unknown and the product reads "Unknown OS".
#pragma once

#include <cstdint>
#include <string>

#include "platform/SystemInfo.h"

class TOSInfo {
 public:
  // 0 "Unknown OS", 1 Windows 95, 2 98, 3 Me, 4 NT4, 5 2000, 6 XP, 7 Server2003, 8 Vista.
  static int ProductNumber();
  static std::string Edition();
  static std::string ServicePack();
  static int ServicePackMajor();
  static int ServicePackMinor();
  static int BuildNumber();

  // The same for given version facts. Edition and ServicePack may read the local
  // machine's registry and the system metrics, as the system's own answers do.
  static int ProductNumberOf(const platform::OsVersion& version);
  static std::string EditionOf(const platform::OsVersion& version);
  static std::string ServicePackOf(const platform::OsVersion& version);

  // The facts of this machine, from the one query.
  static const platform::OsVersion& Version();
};

// The product name of a product number; "Unknown OS" outside 0..8.
const char* ProductName(int productNumber);

// Processor speed in MHz from the time-stamp counter ticks of half a second, rounded
// to the nearest integer, halves to even.
int MhzFromCounterTicks(uint64_t ticks);
// Measures twice (each time at the highest priority, 500 ms) and gives the larger.
int MeasureCpuSpeedMhz();
