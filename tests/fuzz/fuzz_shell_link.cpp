// Fuzz target: the shell link writer on any target, arguments, folder, icon and link
// path a setup script can give (NUL-separated, after a first byte that picks the show
// command). The bytes must always walk back as the format lays them out: the 76-byte
// header, the LinkInfo block whose size it states, one counted string per flag, the
// terminal block, nothing more.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ShellLink.h"

namespace {

uint32_t At32(const std::vector<uint8_t>& b, size_t at) {
  if (at + 4 > b.size()) __builtin_trap();
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

// A scratch prefix, so that the writer's look at the target's file touches nothing real.
void UseScratchPrefix() {
  static const bool made = [] {
    char pattern[] = "/tmp/se-fuzz-lnk-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir) std::abort();
    setenv("WINEPREFIX", dir, 1);
    static const std::string root = dir;
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(root, ignored);
    });
    return true;
  }();
  (void)made;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  UseScratchPrefix();
  std::vector<std::string> fields(5);
  size_t field = 0;
  for (size_t i = 1; i < size; ++i) {  // the first byte is the show command
    if (data[i] == 0 && field + 1 < fields.size()) ++field;
    else fields[field] += static_cast<char>(data[i]);
  }
  platform::ShellLink link;
  link.target = fields[0];
  link.arguments = fields[1];
  link.workingDirectory = fields[2];
  link.iconPath = fields[3];
  link.showCommand = size ? data[0] % 9 : 1;
  const std::vector<uint8_t> bytes = platform::BuildShellLink(link, fields[4]);

  if (At32(bytes, 0) != 0x4C) __builtin_trap();
  const uint32_t flags = At32(bytes, 20);
  size_t at = 0x4C;
  if (flags & 0x02) {  // LinkInfo
    const uint32_t infoSize = At32(bytes, at);
    const uint32_t suffixOffset = At32(bytes, at + 24);
    if (suffixOffset >= infoSize) __builtin_trap();
    at += infoSize;
  }
  for (const uint32_t flag : {0x08u, 0x10u, 0x20u, 0x40u}) {  // relative path, folder, arguments, icon
    if (!(flags & flag)) continue;
    if (at + 2 > bytes.size()) __builtin_trap();
    at += 2 + 2 * size_t(bytes[at] | (bytes[at + 1] << 8));
  }
  if (At32(bytes, at) != 0 || at + 4 != bytes.size()) __builtin_trap();
  return 0;
}
