// setuptool pak list|verify|extract|create: setup packages.
#include <cstdio>
#include <set>

#include "ToolCommand.h"
#include "ToolFiles.h"
#include "package/ZTI_PakFile.h"
#include "package/ZTI_PakHooks.h"
#include "package/ZTI_PakVerify.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/HexDigits.h"
#include "platform/WorkerCount.h"
#include "script/SE_FileHelpers.h"
#include "script/SE_TextHelpers.h"

namespace setuptool {
namespace {

// The fields of the first layout, then the compression and, for an entry in blocks,
// its first block (Offset is then where it starts in that block's content).
void PrintEntry(size_t index, const TPakFile& e) {
  const std::string block = e.InBlocks ? std::to_string(e.Block) : "-";
  std::printf("%zu\t%s\t%u\t%llu\t%llu\t%08x\t%llu\t%s\t%s\n", index, Terminal(e.Name).c_str(), e.Group,
              static_cast<unsigned long long>(e.OrigSize), static_cast<unsigned long long>(e.CompSize), e.CRC,
              static_cast<unsigned long long>(e.Offset), CompressionName(e.Method()), block.c_str());
}

int WarnIncompleteTable(const std::string& file, const TPak& pak) {
  if (pak.TableComplete()) return 0;
  if (pak.Extended()) std::fprintf(stderr, "%s: the extended entry table is damaged\n", file.c_str());
  else
    std::fprintf(stderr, "%s: the entry table ends after %zu of %u entries\n", file.c_str(), pak.Count(),
                 pak.DeclaredCount());
  return 1;
}

// A split package's data files, in order: number, size, SHA-256, file name.
void PrintDataFiles(const std::string& file, const TPak& pak) {
  const std::string stem = DataFileStemOf(file);
  for (size_t i = 0; i < pak.DataFileParts().size(); ++i) {
    const TPakPart& part = pak.DataFileParts()[i];
    const std::string digest = platform::HexDigitsOf(part.Sha256.data(), part.Sha256.size());
    std::printf("datafile\t%zu\t%llu\t%s\t%s\n", i + 1, static_cast<unsigned long long>(part.Size),
                digest.c_str(), Terminal(stem + part.Suffix).c_str());
  }
}

// The package as a whole: its layout, and per compression the entries and bytes.
int Info(const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError("pak");
  TPak pak;
  if (int status = OpenPackage(args[0], pak, false)) return status;
  std::printf("layout\t%s\n", pak.Extended() ? "extended" : "first");
  std::printf("version\t%u\n", pak.Header().Version);
  std::printf("entries\t%zu\n", pak.Count());
  uint64_t blockStored = 0, blockContent = 0;
  for (const TPakBlock& b : pak.Blocks()) {
    blockStored += b.StoredSize;
    blockContent += b.ContentSize;
  }
  std::printf("blocks\t%zu\t%llu\t%llu\n", pak.Blocks().size(), static_cast<unsigned long long>(blockContent),
              static_cast<unsigned long long>(blockStored));
  for (const TCompression method : {TCompression::Stored, TCompression::Zlib, TCompression::ZstdBlocks}) {
    size_t count = 0;
    uint64_t content = 0, stored = 0;
    for (const TPakFile& e : pak.Entries()) {
      if (e.Method() != method) continue;
      ++count;
      content += e.OrigSize;
      stored += e.StoredLength();
    }
    if (method == TCompression::ZstdBlocks) stored = blockStored;
    std::printf("compression\t%s\t%zu\t%llu\t%llu\n", CompressionName(method), count,
                static_cast<unsigned long long>(content), static_cast<unsigned long long>(stored));
  }
  PrintDataFiles(args[0], pak);
  return WarnIncompleteTable(args[0], pak);
}

int List(const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError("pak");
  TPak pak;
  if (int status = OpenPackage(args[0], pak, false)) return status;
  for (size_t i = 0; i < pak.Count(); ++i) PrintEntry(i, pak.Entries()[i]);
  return WarnIncompleteTable(args[0], pak);
}

int Verify(const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError("pak");
  TPak pak;
  if (int status = OpenPackage(args[0], pak)) return status;
  int failures = 0;
  const auto fail = [&](size_t index, const std::string& name, const std::string& reason) {
    std::printf("FAIL\t%zu\t%s\t%s\n", index, Terminal(name).c_str(), reason.c_str());
    ++failures;
  };
  // Entries are checked on all workers; the lines come in table order.
  VerifyEntries(pak, {platform::WorkerCount()}, [&](int index, const TEntryVerdict& verdict) {
    const size_t i = static_cast<size_t>(index);
    const TPakFile& e = pak.Entries()[i];
    if (!IsSafeEntryName(e.Name))
      fail(i, e.Name, "unsafe name: it would be written outside the target directory");
    if (!verdict.Passes) fail(i, e.Name, verdict.Problem.empty() ? "unreadable" : verdict.Problem);
    return true;
  });
  for (size_t i = pak.Count(); i < pak.DeclaredCount(); ++i) fail(i, "", "missing from the entry table");
  if (pak.Extended() && !pak.TableComplete()) fail(pak.Count(), "", "the extended entry table is damaged");
  if (failures) return 1;
  std::printf("ok\t%zu\n", pak.Count());
  return 0;
}

// Extraction without a wizard: files are written, nothing is shown or recorded.
class ToolHooks : public TExtractHooks {
 public:
  explicit ToolHooks(std::string directory) : directory_(std::move(directory)) {}
  void StatusText(const std::u16string&) override {}
  void FileRecorded(const std::string& path) override { current_ = path; }
  bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t count) override {
    if (::WriteWholeFile(path, data, count)) return true;
    platform::RaiseSystemError("cannot write " + path);
  }
  bool WriteLargeFile(const std::string& path, const std::function<bool(platform::File&)>& fill) override {
    ForceDirectory(ExtractFileDir(path));
    platform::File file = platform::File::Open(path, platform::OpenMode::CreateTruncate);
    if (!file.IsOpen() || !fill(file))
      throw platform::ESetupError("cannot write " + path + ": " + platform::LastErrorText());
    return true;
  }
  // One line per extracted entry: its name below the directory.
  void Step() override { std::printf("%s\n", Terminal(current_.substr(directory_.size() + 1)).c_str()); }

 private:
  std::string directory_;
  std::string current_;
};

int Extract(const std::vector<std::string>& args) {
  if (args.size() != 2 && !(args.size() == 4 && args[2] == "--group")) return UsageError("pak");
  std::optional<long> onlyGroup;
  if (args.size() == 4 && !(onlyGroup = ParseNumber(args[3], 0xFFFF))) return UsageError("pak");
  TPak pak;
  if (int status = OpenPackage(args[0], pak)) return status;
  std::vector<uint16_t> groups;  // in order of first appearance
  std::set<uint16_t> seen;
  for (const TPakFile& e : pak.Entries()) {
    if (onlyGroup && e.Group != *onlyGroup) continue;
    if (!IsSafeEntryName(e.Name)) {
      std::fprintf(stderr, "%s: entry \"%s\" would be written outside %s; nothing was extracted\n",
                   args[0].c_str(), Terminal(e.Name).c_str(), args[1].c_str());
      return 1;
    }
    if (seen.insert(e.Group).second) groups.push_back(e.Group);
  }
  std::string directory = ProgramPath(args[1]);
  while (directory.size() > 3 && directory.back() == '\\') directory.pop_back();
  ForceDirectory(directory);
  ToolHooks hooks(directory);
  try {
    for (uint16_t group : groups) pak.ExtractGroup(directory, group, hooks);
  } catch (const platform::ESetupError& e) {
    std::fprintf(stderr, "%s: %s\n", args[0].c_str(), Terminal(e.what()).c_str());
    return 1;
  }
  return WarnIncompleteTable(args[0], pak);
}

int Create(const std::vector<std::string>& args) {
  if (args.empty()) return UsageError("pak");
  std::string stub;
  struct Entry {
    std::string name, path;
    uint16_t group;
  };
  std::vector<Entry> entries;
  for (size_t i = 1; i < args.size();) {
    if (args[i] == "--stub" && i + 1 < args.size() && stub.empty()) {
      stub = args[i + 1];
      i += 2;
    } else if (args[i] == "--entry" && i + 3 < args.size()) {
      const auto group = ParseNumber(args[i + 3], 0xFFFF);
      if (!group) return UsageError("pak");
      entries.push_back({platform::Utf8ToAnsi(args[i + 1]), args[i + 2], static_cast<uint16_t>(*group)});
      i += 4;
    } else {
      return UsageError("pak");
    }
  }
  for (const Entry& e : entries)
    if (!IsSafeEntryName(e.name)) {
      std::fprintf(stderr, "unsafe entry name \"%s\": it would be written outside the target directory\n",
                   Terminal(e.name).c_str());
      return 2;
    }
  const std::string out = ProgramPath(args[0]);
  if (!stub.empty() && !platform::CopyFileOverwriting(ProgramPath(stub), out)) {
    std::fprintf(stderr, "cannot copy %s to %s: %s\n", stub.c_str(), args[0].c_str(),
                 Terminal(platform::LastErrorText()).c_str());
    return 1;
  }
  TPak pak;
  try {
    pak.Create(out, /*append=*/!stub.empty(), /*create=*/true);
    for (const Entry& e : entries) {
      const int index = pak.NewEntry(e.name, ProgramPath(e.path), e.group);
      if (!pak.StoreFile(index)) platform::RaiseSystemError("cannot write " + args[0]);
    }
    if (!pak.WriteTable()) platform::RaiseSystemError("cannot write " + args[0]);
  } catch (const platform::ESetupError& e) {
    std::fprintf(stderr, "%s\n", Terminal(e.what()).c_str());
    return 1;
  }
  pak.Close();
  if (!stub.empty()) platform::MarkExecutable(out);
  for (size_t i = 0; i < pak.Count(); ++i) PrintEntry(i, pak.Entries()[i]);
  return 0;
}

int Pak(const std::vector<std::string>& args) {
  if (args.empty()) return UsageError("pak");
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (args[0] == "list") return List(rest);
  if (args[0] == "verify") return Verify(rest);
  if (args[0] == "extract") return Extract(rest);
  if (args[0] == "create") return Create(rest);
  if (args[0] == "info") return Info(rest);
  return UsageError("pak");
}

}  // namespace

SETUPTOOL_COMMAND("pak",
                  "setuptool pak list FILE\n"
                  "setuptool pak verify FILE\n"
                  "setuptool pak extract FILE DIR [--group N]\n"
                  "setuptool pak info FILE\n"
                  "setuptool pak create OUT [--stub FILE] --entry NAME PATH GROUP [--entry ...]",
                  Pak);

}  // namespace setuptool
