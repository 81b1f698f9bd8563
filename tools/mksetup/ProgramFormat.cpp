#include "ProgramFormat.h"

#include <cstring>

#include "platform/Files.h"

namespace mksetup {

ProgramFormat ProgramFormatOf(const std::string& windowsPath) {
  platform::File file = platform::File::Open(windowsPath, platform::OpenMode::ReadShared);
  char magic[4] = {};
  if (!file.IsOpen() || !file.ReadExact(magic, sizeof magic)) return ProgramFormat::Unknown;
  if (magic[0] == 'M' && magic[1] == 'Z') return ProgramFormat::Windows;
  if (std::memcmp(magic,
                  "\x7f"
                  "ELF",
                  4) == 0)
    return ProgramFormat::Linux;
  return ProgramFormat::Unknown;
}

const char* ProgramFormatName(ProgramFormat format) {
  switch (format) {
    case ProgramFormat::Windows: return "a Windows program";
    case ProgramFormat::Linux: return "a Linux program";
    case ProgramFormat::Unknown: break;
  }
  return "not a program";
}

}  // namespace mksetup
