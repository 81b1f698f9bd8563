// Writing string values into a large system.reg (5 MB, as a prefix with many programs
// has) through the registry, against the least any safe writer must do per change:
// read the file, write it anew, sync it and rename it into place. The ratio shows what
// parsing and editing add; reads of a file that did not change cost no parse at all.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/Registry.h"

namespace {

constexpr int kWrites = 20;

double Seconds(const std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string BigRegistry() {
  std::string text = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n";
  char key[256];
  for (int i = 0; text.size() < 5'000'000; ++i) {
    std::snprintf(key, sizeof key,
                  "[Software\\\\Classes\\\\CLSID\\\\{%08X-1234-5678-9ABC-DEF012345678}] 1700000000\n"
                  "#time=1da1b2c3d4e5f60\n@=\"Some object\"\n\"ThreadingModel\"=\"Both\"\n"
                  "\"Data\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,\\\n"
                  "  13,14,15,16,17\n\n",
                  i);
    text += key;
  }
  return text;
}

bool RawRewrite(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  const std::string temp = path + ".tmp";
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const std::string bytes = text.str();
  const bool ok = fd >= 0 && write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size()) && fsync(fd) == 0;
  if (fd >= 0) close(fd);
  return ok && rename(temp.c_str(), path.c_str()) == 0;
}

}  // namespace

int main() {
  std::string pattern = (std::filesystem::temp_directory_path() / "se-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 1;
  const std::filesystem::path root = pattern;
  setenv("WINEPREFIX", root.c_str(), 1);
  std::filesystem::create_directories(root);
  std::ofstream(root / "system.reg", std::ios::binary) << BigRegistry();
  std::ofstream(root / "copy.reg", std::ios::binary) << BigRegistry();

  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kWrites; ++i)
    if (!RawRewrite((root / "copy.reg").string())) return 1;
  const double raw = Seconds(start);

  start = std::chrono::steady_clock::now();
  auto key = platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine, "Software\\Bench", true);
  if (!key) return 1;
  for (int i = 0; i < kWrites; ++i)
    if (!key->WriteString("Value" + std::to_string(i), "data")) return 1;
  const double registry = Seconds(start);

  start = std::chrono::steady_clock::now();
  for (int i = 0; i < 1000; ++i)
    if (!key->ReadString("Value" + std::to_string(i % kWrites))) return 1;
  const double reads = Seconds(start);

  std::printf(
      "registry_write: %d writes into a 5 MB system.reg: registry %.3f s, raw rewrite "
      "%.3f s, ratio %.2f\n",
      kWrites, registry, raw, registry / raw);
  std::printf("registry_write: 1000 reads of an unchanged file: %.3f s (%.1f us each)\n", reads,
              reads * 1000);
  std::filesystem::remove_all(root);
  return 0;
}
