// setuptool vfs: creating, listing, extracting and verifying game archives.
#include <cstdio>
#include <cstdlib>

#include "GameDataOutput.h"
#include "ToolFiles.h"
#include "ToolCommand.h"
#include "gamedata/VFS_Unit.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Files.h"

namespace setuptool {
namespace {

constexpr const char* kUsage =
    "setuptool vfs create FILE --block-size B --blocks N --roots R [--info TEXT]\n"
    "                                     an empty archive, every block free\n"
    "setuptool vfs list FILE              files and folders: path, flags, stored, full, first block\n"
    "setuptool vfs extract FILE DIR       every file below DIR\n"
    "setuptool vfs verify FILE            digest, block chains, blocks in use, lookup table, cut names\n"
    "setuptool vfs recover FILE           plays back the rollback journal of an interrupted update";

bool ParseNumber(const std::string& text, long long low, long long high, long long* value) {
  char* end = nullptr;
  *value = std::strtoll(text.c_str(), &end, 10);
  return !text.empty() && *end == 0 && *value >= low && *value <= high;
}

int Create(const std::vector<std::string>& args) {
  long long blockSize = 0, blocks = 0, roots = -1;
  std::string info;
  for (size_t i = 2; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) return UsageError("vfs");
    const std::string& value = args[i + 1];
    bool ok = true;
    if (args[i] == "--block-size") ok = ParseNumber(value, 1, 1 << 30, &blockSize);
    else if (args[i] == "--blocks") ok = ParseNumber(value, 1, 0x7FFFFFFF, &blocks);
    else if (args[i] == "--roots") ok = ParseNumber(value, 0, 1 << 24, &roots);
    else if (args[i] == "--info") info = platform::Utf8ToAnsi(value);
    else return UsageError("vfs");
    if (!ok) {
      std::fprintf(stderr, "vfs: bad value '%s' for %s\n", value.c_str(), args[i].c_str());
      return 2;
    }
  }
  if (blockSize == 0 || blocks == 0 || roots < 0) return UsageError("vfs");
  if (info.size() > kVFSInfoText) {
    std::fprintf(stderr, "vfs: the information text is longer than %zu bytes\n", kVFSInfoText);
    return 2;
  }
  TVFSFile::Create(platform::WindowsPathOf(args[1]), int32_t(blockSize), int32_t(blocks), uint32_t(roots),
                   info);
  return 0;
}

int List(const std::string& file) {
  TVFSFile archive;
  archive.Open(platform::WindowsPathOf(file), true, {}, true);
  for (const TTreeFileInfo& node : archive.Tree().Nodes()) {
    if (node.index < 0) continue;
    std::printf("%s\t%u\t%d\t%d\t%d\n", platform::AnsiToUtf8(node.path).c_str(), node.info.flags,
                node.info.storedSize, node.info.fullSize, node.info.firstBlock);
  }
  return 0;
}

int Extract(const std::string& file, const std::string& dir) {
  TVFSFile archive;
  archive.Open(platform::WindowsPathOf(file), true, {}, true);
  const std::string target = platform::WindowsPathOf(dir);
  if (const platform::Status made = MakeDirectories(target); !made) {
    std::fprintf(stderr, "vfs: %s\n", platform::AnsiToUtf8(made.Problem()).c_str());
    return 1;
  }
  int failures = 0;
  for (const TTreeFileInfo& node : archive.Tree().Nodes()) {
    if (node.index < 0) continue;
    platform::Status written;
    if (node.info.IsFolder()) {
      written = IsSafeRelativeName(node.path)
                    ? MakeDirectories(target + "\\" + node.path)
                    : platform::Status::Failure("unsafe name '" + node.path + "' skipped");
    } else {
      try {
        written = WriteBelow(target, node.path, archive.Tree().ReadFileData(node.index));
      } catch (const platform::ESetupError& error) {
        written = platform::Status::Failure(error.what());
      }
    }
    if (!written) {
      std::fprintf(stderr, "vfs: %s: %s: %s\n", file.c_str(), platform::AnsiToUtf8(node.path).c_str(),
                   platform::AnsiToUtf8(written.Problem()).c_str());
      ++failures;
    }
  }
  return failures ? 1 : 0;
}

int Verify(const std::string& file) {
  const auto findings = VerifyArchive(platform::WindowsPathOf(file));
  for (const std::string& finding : findings) std::printf("%s\n", platform::AnsiToUtf8(finding).c_str());
  return findings.empty() ? 0 : 1;
}

int Run(const std::vector<std::string>& args) {
  try {
    if (args.size() == 2 && args[0] == "recover") return RecoverCommand("vfs", args[1]);
    const bool reads = args.size() >= 2 && args[0] != "create";
    if (reads && !RecoverBeforeUse("vfs", args[1])) return 1;
    // A file an update left damaged is whole again before its size is judged.
    if (reads && !CheckInputFile(args[1], kVFSHeaderSize)) return 2;
    if (args.size() >= 2 && args[0] == "create") return Create(args);
    if (args.size() == 2 && args[0] == "list") return List(args[1]);
    if (args.size() == 3 && args[0] == "extract") return Extract(args[1], args[2]);
    if (args.size() == 2 && args[0] == "verify") return Verify(args[1]);
  } catch (const platform::ESetupError& error) {
    std::fprintf(stderr, "vfs: %s\n", platform::AnsiToUtf8(error.what()).c_str());
    return 1;
  }
  return UsageError("vfs");
}

}  // namespace

SETUPTOOL_COMMAND("vfs", kUsage, Run);

}  // namespace setuptool
