// setuptool ztp: listing, extracting and creating game packages.
#include <zlib.h>

#include <cstdio>

#include "GameDataOutput.h"
#include "ToolFiles.h"
#include "ToolCommand.h"
#include "gamedata/BRQX_Encryption.h"
#include "gamedata/SE_CutNames.h"
#include "gamedata/ZT_PakSystem.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Files.h"

namespace setuptool {
namespace {

constexpr const char* kUsage =
    "setuptool ztp list FILE              records: name, kind, stored, full, offset, date; then the trailer\n"
    "                                     (names an older setup cut: said on stderr, status 1)\n"
    "setuptool ztp extract FILE DIR       every entry below DIR (sound entries as stored records)\n"
    "setuptool ztp create FILE            an empty package\n"
    "setuptool ztp recover FILE           plays back the rollback journal of an interrupted update";

platform::Result<TPakLayout> Load(const std::string& hostPath) {
  auto layout = ReadPackageFile(platform::WindowsPathOf(hostPath));
  if (!layout)
    std::fprintf(stderr, "ztp: %s: %s\n", hostPath.c_str(), platform::AnsiToUtf8(layout.Problem()).c_str());
  return layout;
}

// Records named with the same 127 characters were cut by an older setup: the listing
// stays as it is, the damage is said on stderr and in the exit status.
int ReportCutNames(const std::string& file, const std::vector<TPakDirEntry>& entries) {
  std::vector<std::string> fullLength;
  for (const TPakDirEntry& e : entries)
    if (e.name.size() == kPakNameMax) fullLength.push_back(e.name);
  const std::vector<TCutName> cuts = FindCutNames(fullLength);
  for (const TCutName& cut : cuts)
    std::fprintf(stderr, "ztp: %s: %s\n", file.c_str(),
                 platform::AnsiToUtf8(CutNameText(cut, kPakNameMax)).c_str());
  return cuts.empty() ? 0 : 1;
}

int List(const std::string& file) {
  auto layout = Load(file);
  if (!layout) return 1;
  for (const TPakDirEntry& e : layout->entries)
    std::printf("%s\t%u\t%u\t%u\t%u\t%08X\n", platform::AnsiToUtf8(e.name).c_str(), e.kind, e.storedSize,
                e.fullSize, e.offset, e.date);
  std::printf("trailer\t%s\t%s\t%d\n", TrailerFormName(layout->trailer.form),
              layout->trailer.password.empty() ? "no" : "yes", layout->trailer.official ? 1 : 0);
  return ReportCutNames(file, layout->entries);
}

// The file's bytes of one entry: kind 2 unscrambled and inflated, kind 1 as stored.
// The record's sizes are checked before anything is allocated for them.
platform::Result<std::vector<uint8_t>> EntryBytes(platform::File& file, uint64_t dataEnd,
                                                  const TPakDirEntry& e) {
  if (uint64_t{e.offset} + e.storedSize > dataEnd)
    return platform::Status::Failure("stored bytes lie outside the package");
  std::vector<uint8_t> stored(e.storedSize);
  // Inside the package's data: a read that fails is the system's refusal.
  if (file.Seek(e.offset) != int64_t{e.offset} || !file.ReadExact(stored.data(), stored.size()))
    return platform::Status::SystemFailure("cannot read the stored bytes");
  if (e.kind != uint8_t(TPakKind::Compressed)) return stored;
  // zlib expands by at most about 1032:1.
  if (uint64_t{e.fullSize} > uint64_t{e.storedSize} * 1040 + 64)
    return platform::Status::Failure("full size " + std::to_string(e.fullSize) + " is impossible for " +
                                     std::to_string(e.storedSize) + " stored bytes");
  ScrambleEntry(stored.data(), stored.size());
  std::vector<uint8_t> content(e.fullSize);
  uLongf length = static_cast<uLongf>(content.size());
  const int rc = uncompress(content.data(), &length, stored.data(), static_cast<uLong>(stored.size()));
  if ((rc != Z_OK && !(rc == Z_BUF_ERROR && content.empty())) || length != content.size())
    return platform::Status::Failure("compressed data is damaged");
  return content;
}

int Extract(const std::string& file, const std::string& dir) {
  auto layout = Load(file);
  if (!layout) return 1;
  platform::File package =
      platform::File::Open(platform::WindowsPathOf(file), platform::OpenMode::ReadShared);
  if (!package.IsOpen()) {
    std::fprintf(stderr, "ztp: cannot open %s: %s\n", file.c_str(),
                 platform::AnsiToUtf8(platform::LastErrorText()).c_str());
    return 1;
  }
  const std::string target = platform::WindowsPathOf(dir);
  if (const platform::Status made = MakeDirectories(target); !made) {
    std::fprintf(stderr, "ztp: %s\n", platform::AnsiToUtf8(made.Problem()).c_str());
    return 1;
  }
  int failures = 0;
  for (const TPakDirEntry& e : layout->entries) {
    auto bytes = EntryBytes(package, layout->directoryOffset, e);
    const platform::Status written = bytes ? WriteBelow(target, e.name, *bytes) : bytes.ToStatus();
    if (!written) {
      std::fprintf(stderr, "ztp: %s: %s: %s\n", file.c_str(), platform::AnsiToUtf8(e.name).c_str(),
                   platform::AnsiToUtf8(written.Problem()).c_str());
      ++failures;
    }
  }
  return failures ? 1 : 0;
}

int Run(const std::vector<std::string>& args) {
  if (args.size() == 2 && args[0] == "recover") return RecoverCommand("ztp", args[1]);
  const bool reads = (args.size() == 2 || args.size() == 3) && args[0] != "create";
  if (reads && !RecoverBeforeUse("ztp", args[1])) return 1;
  // A file an update left damaged is whole again before its size is judged.
  if (reads && !CheckInputFile(args[1], kPakHeaderSize)) return 2;
  if (args.size() == 2 && args[0] == "list") return List(args[1]);
  if (args.size() == 3 && args[0] == "extract") return Extract(args[1], args[2]);
  if (args.size() == 2 && args[0] == "create") {
    const platform::Status created = CreateEmptyPackage(platform::WindowsPathOf(args[1]));
    if (created) return 0;
    std::fprintf(stderr, "ztp: %s\n", platform::AnsiToUtf8(created.Problem()).c_str());
    return 1;
  }
  return UsageError("ztp");
}

}  // namespace

SETUPTOOL_COMMAND("ztp", kUsage, Run);

}  // namespace setuptool
