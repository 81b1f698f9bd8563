#include "ToolFiles.h"

#include <cstdio>

#include "package/ZTI_PakFile.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/FileKinds.h"
#include "platform/Files.h"

namespace setuptool {

std::string ProgramPath(const std::string& argument) { return platform::WindowsPathOf(argument); }

std::string Terminal(const std::string& text) { return platform::AnsiToUtf8(text); }

int OpenPackage(const std::string& argument, TPak& pak, bool withDataFiles) {
  if (!CheckInputFile(argument, kSetupHeaderSize)) return 2;
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
  if (!withDataFiles || pak.DataFileParts().empty()) return 0;
  std::optional<TDataFileFault> fault;
  try {
    fault = pak.AttachDataFiles(DataFileStemOf(ProgramPath(argument)));
  } catch (const platform::ESetupError& error) {
    fault = TDataFileFault{ProgramPath(argument), error.what()};
  }
  if (!fault) return 0;
  std::fprintf(stderr, "%s: %s\n", argument.c_str(), Terminal(fault->Text()).c_str());
  return 2;
}

bool CheckInputFile(const std::string& argument, uint64_t headerSize) {
  const std::string path = ProgramPath(argument);
  if (platform::IsDeviceOrPipe(path)) {
    std::fprintf(stderr, "%s: not a regular file\n", argument.c_str());
    return false;
  }
  const std::optional<platform::FileFacts> facts = platform::FileFactsOf(path);
  if (!facts || facts->isDirectory) return true;
  if (facts->size == 0) std::fprintf(stderr, "%s: empty file\n", argument.c_str());
  else if (facts->size < headerSize)
    std::fprintf(stderr, "%s: too short: %llu bytes, a header needs %llu\n", argument.c_str(),
                 static_cast<unsigned long long>(facts->size), static_cast<unsigned long long>(headerSize));
  else return true;
  return false;
}

std::optional<std::vector<uint8_t>> ReadArgumentFile(const std::string& argument, uint64_t headerSize) {
  if (!CheckInputFile(argument, headerSize)) return std::nullopt;
  platform::File file = platform::File::Open(ProgramPath(argument), platform::OpenMode::ReadShared);
  const int64_t size = file.Size();
  std::vector<uint8_t> bytes(size > 0 ? static_cast<size_t>(size) : 0);
  if (!file.IsOpen() || size < 0 || !file.ReadExact(bytes.data(), bytes.size())) {
    std::fprintf(stderr, "cannot read %s: %s\n", argument.c_str(),
                 Terminal(platform::LastErrorText()).c_str());
    return std::nullopt;
  }
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
