// Finding the game's prefix among 50 (as a player with many Bottles, Lutris and Steam
// games has), each with a registry of a Proton prefix's size, one of them holding the
// setup's value. The scan is set against reading every registry file once (the least
// any look at them costs) and against parsing every registry without the text look
// first, which the scan spares all prefixes but the one.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "BenchUtil.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "stores/GamePrefixes.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPrefixes = 50;
constexpr size_t kRegistryBytes = 2'500'000;
constexpr char kKey[] = "Software\\Harbour\\Game";

std::string Registry(bool holdsValue) {
  std::string text = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n";
  char key[256];
  for (int i = 0; text.size() < kRegistryBytes; ++i) {
    std::snprintf(key, sizeof key,
                  "[Software\\\\Classes\\\\CLSID\\\\{%08X-1234-5678-9ABC-DEF012345678}] 1700000000\n"
                  "#time=1da1b2c3d4e5f60\n@=\"Some object\"\n\"ThreadingModel\"=\"Both\"\n\n",
                  i);
    text += key;
  }
  if (holdsValue)
    text += "[Software\\\\Harbour\\\\Game] 1700000000\n\"InstallPath\"=\"C:\\\\Games\\\\Harbour\"\n\n";
  return text;
}

void MakeBottle(const fs::path& folder, bool holdsValue) {
  fs::create_directories(folder / "dosdevices");
  fs::create_directories(folder / "drive_c");
  std::ofstream(folder / "system.reg", std::ios::binary) << Registry(holdsValue);
  std::ofstream(folder / "user.reg", std::ios::binary) << "WINE REGISTRY Version 2\n";
}

size_t ReadAll(const fs::path& bottles) {
  size_t bytes = 0;
  for (const auto& bottle : fs::directory_iterator(bottles))
    for (const char* name : {"system.reg", "user.reg"}) {
      std::ifstream in(bottle.path() / name, std::ios::binary);
      std::string text(fs::file_size(bottle.path() / name), '\0');
      in.read(text.data(), static_cast<std::streamsize>(text.size()));
      bytes += static_cast<size_t>(in.gcount());
    }
  return bytes;
}

size_t ParseAll(const fs::path& bottles) {
  size_t holding = 0;
  for (const auto& bottle : fs::directory_iterator(bottles)) {
    platform::UseMachine(bottle.path().string());
    if (auto key = platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine, kKey, false))
      holding += key->ReadString("InstallPath") ? 1 : 0;
  }
  platform::UseMachine("");
  return holding;
}

}  // namespace

int main() {
  const fs::path root = bench::ScratchFolder("prefix-scan");
  const fs::path bottles = root / "home/.local/share/bottles/bottles";
  for (int i = 0; i < kPrefixes; ++i)
    MakeBottle(bottles / ("bottle" + std::to_string(i)), i == kPrefixes / 2);
  setenv("HOME", (root / "home").c_str(), 1);

  bench::Cost scan, read, parse;
  // Parsed once only: the registry keeps what it parsed while a file stays the same.
  bench::Measure(parse, [&] { ParseAll(bottles); });
  size_t found = 0;
  for (int round = 0; round < 3; ++round) {
    bench::Measure(scan, [&] { found = FindGamePrefixes({{}, 0, kKey, "InstallPath"}).Holding.size(); });
    bench::Measure(read, [&] { ReadAll(bottles); });
  }
  if (found != 1) {
    std::fprintf(stderr, "prefix scan: found %zu prefixes, expected 1\n", found);
    return 1;
  }
  std::printf(
      "prefix scan, %d prefixes of %.1f MB registry each: %.3f s (%.3f s processor); the goal is under 1 s\n",
      kPrefixes, kRegistryBytes / 1e6, scan.wall, scan.cpu);
  std::printf("  against reading every registry file once: %.2fx\n", scan.cpu / read.cpu);
  std::printf("  against parsing every registry (no text look first): %.2fx\n", scan.cpu / parse.cpu);
  return 0;
}
