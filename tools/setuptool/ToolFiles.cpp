#include "ToolFiles.h"

#include <cstdio>

#include "package/ZTI_PakFile.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Files.h"

namespace setuptool {

std::string ProgramPath(const std::string& argument) { return platform::WindowsPathOf(argument); }

std::string Terminal(const std::string& text) { return platform::AnsiToUtf8(text); }

int OpenPackage(const std::string& argument, TPak& pak) {
  if (!platform::File::Open(ProgramPath(argument), platform::OpenMode::ReadShared).IsOpen()) {
    std::fprintf(stderr, "cannot open %s: %s\n", argument.c_str(),
                 Terminal(platform::LastErrorText()).c_str());
    return 2;
  }
  try {
    pak.Create(ProgramPath(argument), false, false);
  } catch (const platform::ESetupError& error) {
    std::fprintf(stderr, "cannot open %s: %s\n", argument.c_str(), Terminal(error.what()).c_str());
    return 2;
  }
  if (!pak.Header().IsPackage()) {
    std::fprintf(stderr, "not a setup package: %s\n", argument.c_str());
    return 2;
  }
  if (pak.MadeByNewerTool()) {
    std::fprintf(stderr, "%s: made by a newer packaging tool; this setuptool cannot read it\n",
                 argument.c_str());
    return 2;
  }
  return 0;
}

std::optional<std::vector<uint8_t>> ReadArgumentFile(const std::string& argument) {
  auto bytes = platform::ReadWholeFile(ProgramPath(argument));
  if (!bytes)
    std::fprintf(stderr, "cannot read %s: %s\n", argument.c_str(),
                 Terminal(platform::LastErrorText()).c_str());
  return bytes;
}

std::optional<long> ParseNumber(const std::string& text, long maximum) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  const long value = std::stol(text);
  if (value > maximum) return std::nullopt;
  return value;
}

}  // namespace setuptool
