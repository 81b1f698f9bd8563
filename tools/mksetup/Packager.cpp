#include "Packager.h"

#include "PageLineEnds.h"
#include "ProgramFormat.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>

#include "engine/SE_RegisterCommands.h"
#include "package/ZTI_PakDataFiles.h"
#include "package/ZTI_PakFile.h"
#include "package/ZTI_SignedProgram.h"
#include "package/ZTI_SolidPacker.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/OrderedWork.h"
#include "platform/WorkBatches.h"
#include "platform/WorkerCount.h"
#include "script/SE_TextHelpers.h"
#include "script/ZTI_CommandTable.h"
#include "script/ZTI_ScriptText.h"

namespace mksetup {

namespace {

// The memory that packed entries waiting for their turn may take (one entry alone may
// take more).
constexpr uint64_t kPackBudget = 256ull << 20;
// Small entries travel to the workers together: up to this many, or this much work.
constexpr size_t kPackBatchCount = 64;
constexpr uint64_t kPackBatchCost = 1ull << 20;

// Progress lines and notices go to stderr as they are; warnings carry the tool's name.
void Say(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }
void Warn(const std::string& text) { Say("mksetup: " + text); }

// ": " and the system's reason for the call that just failed, for a message.
std::string Reason() { return ": " + platform::AnsiToUtf8(platform::LastErrorText()); }

// What names a folder itself, whichever path or link reaches it.
using FolderId = std::pair<uint64_t, uint64_t>;
std::optional<FolderId> FolderIdOf(const std::string& path) {
  const std::optional<platform::FileFacts> facts = platform::FileFactsOf(path);
  if (!facts) return std::nullopt;
  return FolderId{facts->volumeId, facts->fileId};
}

// Every file below a folder, as paths relative to it, folders after the files they
// sit beside (the order of the packaging file list's walk). A folder link that leads
// back to a folder of the walk would list the same files at every level: it is left
// out with a warning.
std::vector<std::string> FilesBelow(const std::string& folder) {
  struct Pending {
    std::string relative;
    std::vector<FolderId> within;  // the folder itself and every folder above it
  };
  std::vector<std::string> files;
  std::vector<Pending> pending(1);
  if (const auto id = FolderIdOf(folder)) pending[0].within.push_back(*id);
  for (size_t next = 0; next < pending.size(); ++next) {
    const Pending current = pending[next];
    for (const platform::DirectoryEntry& item : platform::ListDirectory(folder + "\\" + current.relative)) {
      if (!item.isDirectory) {
        files.push_back(current.relative + item.name);
        continue;
      }
      Pending inner{current.relative + item.name + "\\", current.within};
      const auto id = FolderIdOf(folder + "\\" + inner.relative);
      if (item.isLink && id &&
          std::find(inner.within.begin(), inner.within.end(), *id) != inner.within.end()) {
        Warn("warning: folder link leads back into the folder walked, not followed - " +
             platform::HostPathOf(folder + "\\" + current.relative + item.name).value_or(item.name));
        continue;
      }
      if (id) inner.within.push_back(*id);
      pending.push_back(std::move(inner));
    }
  }
  return files;
}

// A program beside mksetup: NAME, or NAME.exe where programs carry the extension.
std::optional<std::string> Sibling(const std::string& dir, const std::string& name) {
  for (const std::string& candidate : {dir + "\\" + name, dir + "\\" + name + ".exe"})
    if (platform::FileExists(candidate)) return candidate;
  return std::nullopt;
}

// A signed setup program as the stub would carry a signature that the package
// appended after it breaks: the copy is made unsigned first (sign the result instead).
void StripStubSignature(const std::string& partial) {
  platform::File copy = platform::File::Open(partial, platform::OpenMode::ReadWrite);
  if (!copy.IsOpen() || !RemoveSignature(copy))
    throw MkError(platform::HostPathOf(partial).value_or(partial) +
                  ": cannot remove the setup program's signature" + Reason());
}

}  // namespace

Packager::Packager(Options options) : options_(std::move(options)) {
  scriptPath_ = platform::WindowsPathOf(options_.script);
  scriptDir_ = ExtractFileDir(scriptPath_);
  toolDir_ = ExtractFileDir(platform::OwnExecutablePath());
  RegisterCommands(commands_);
  compiler_.BaseDir = options_.base.empty() ? scriptDir_ : platform::WindowsPathOf(options_.base);
  compiler_.DataDir = options_.data.empty() ? toolDir_ + "\\data" : platform::WindowsPathOf(options_.data);
  compiler_.OnProgress = Say;
  compiler_.OnNotice = Say;
}

std::string Packager::Where(int32_t lineIndex) const {
  return options_.script + ":" + std::to_string(lineIndex + 1) + ": ";
}

std::string Packager::Shown(const std::string& windowsPath) const {
  return platform::HostPathOf(windowsPath).value_or(windowsPath);
}

int32_t Packager::LastLineOf(const char* keyword) const {
  const int32_t number = CommandNumberOf(keyword);
  for (int32_t i = static_cast<int32_t>(parsedCommands_.size()) - 1; i >= 0; --i)
    if (parsedCommands_[i] == number) return i;
  return -1;
}

void Packager::LoadScript() {
  const auto text = platform::ReadWholeFile(scriptPath_);
  if (!text) throw MkError(options_.script + ": cannot read the script" + Reason());
  const std::string_view chars(reinterpret_cast<const char*>(text->data()), text->size());
  if (const auto fault = ParseScriptText(chars, compiler_.Lines, &stores_))
    throw MkError(options_.script + ":" + std::to_string(fault->line) + ": " + fault->text);
  for (const TCompLine& line : compiler_.Lines.Lines) parsedCommands_.push_back(line.Command);
}

// A grouping command whose source is missing would silently ship a setup without
// its files; refuse it instead.
void Packager::CheckSources() {
  for (int32_t i = 0; i < compiler_.Lines.Count(); ++i) {
    const TCompLine& line = compiler_.Lines.Lines[i];
    const TCommandClass* command = commands_.Command(line.Command);
    if (!command || command->FileGroupKind() == kGroupKindNone || line.Params.empty()) continue;
    const std::string path = compiler_.SourcePath(line.Params[0]);
    if (!platform::FileExists(path) && !platform::DirectoryExists(path))
      throw MkError(Where(i) + "source not found - " + line.Params[0] + " (" + Shown(path) + ")");
  }
}

void Packager::Compile() {
  compiler_.OnWarning = [this](const std::string& text) {
    Warn(Where(compiler_.CompilingLine) + "warning: " + text);
  };
  bool compiled = false;
  try {
    compiled = compiler_.CompileAll(commands_);
  } catch (const platform::ESetupError& error) {
    throw MkError(Where(compiler_.CompilingLine) + error.what());
  }
  compiler_.OnWarning = nullptr;
  if (!compiled) throw MkError(Where(compiler_.ErrorLine) + compiler_.ErrorText);
  CheckUpdateEntrySizes();
}

// The setup reads each entry of a game package or archive update whole and checks its
// CRC; a large entry is stored without one and is copied through in pieces, which the
// update cannot take. Such an entry is refused here rather than stop the player's run.
void Packager::CheckUpdateEntrySizes() const {
  const auto& groups = compiler_.FileList.Groups;
  for (int32_t i = 0; i < compiler_.Lines.Count(); ++i) {
    const TCompLine& line = compiler_.Lines.Lines[i];
    const TCommandClass* command = commands_.Command(line.Command);
    if (!command || command->FileGroupKind() != kGroupKindUpdate || line.Params.size() < 2) continue;
    const size_t group = static_cast<size_t>(std::strtoul(line.Params.back().c_str(), nullptr, 10));
    if (group == 0 || group >= groups.size()) continue;
    for (const TFile& file : groups[group].Files) {
      const std::optional<platform::FileFacts> facts = platform::FileFactsOf(file.Source);
      if (facts && facts->size >= kLargeEntrySize)
        throw MkError(Where(line.LineNo) + "update entry too large - " + file.EntryName + " has " +
                      std::to_string(facts->size) + " bytes; an entry of a " + command->Keyword +
                      " group must be smaller than " + std::to_string(kLargeEntrySize) + " bytes (70 MiB)");
    }
  }
}

void Packager::AddPageFolder(std::vector<PlannedEntry>& entries, const std::string& folder,
                             const char* keyword, bool uninstall) {
  const std::string path = IncludeTrailingBackslash(compiler_.DataDir) + "layout\\" + folder;
  if (!platform::DirectoryExists(path))
    throw MkError(Where(LastLineOf(keyword)) + "page folder not found - " + folder + " (" + Shown(path) +
                  ")");
  if (const auto name = PageFileWithoutCarriageReturns(path))
    throw MkError(Where(LastLineOf(keyword)) + "page file " + *name + " of " + folder +
                  " has line feeds but no carriage returns; the setup ends page lines at carriage "
                  "returns and would see one line - save it with CR LF line ends (" +
                  Shown(path) + ")");
  for (const std::string& name : FilesBelow(path)) {
    const bool icon = platform::SameTextAscii(name, "icon.ico");
    if (icon && !uninstall) continue;  // the setup's own icon, not a page
    std::string entryName = name;
    if (uninstall) entryName = icon ? "UNINSTALL_ICON.ICO" : "UNINSTALL_" + name;
    entries.push_back({entryName, path + "\\" + name, std::nullopt, 0});
  }
}

std::vector<PlannedEntry> Packager::PlanEntries() {
  std::vector<PlannedEntry> entries;
  for (const TFile& file : compiler_.FileList.Groups[0].Files)
    entries.push_back({file.EntryName, file.Source, std::nullopt, 0});

  const TSetupInfo& info = compiler_.Info.Info;
  if (info.Pages.empty()) Warn(options_.script + ": warning: no pages line; the setup has no wizard pages");
  else AddPageFolder(entries, info.Pages, "pages", false);
  if (!info.UninstallPages.empty()) {
    AddPageFolder(entries, info.UninstallPages, "uninstallpages", true);
    if (const auto finalise = FinaliserPath())
      entries.push_back({"UNINSTALL_FINALISE.EXE", *finalise, std::nullopt, 0});
  }

  try {
    entries.push_back({"SetupInfo", "", compiler_.Info.SaveToBytes(), 0});
    entries.push_back({"CompiledLines", "", compiler_.Lines.SaveToBuffer(), 0});
    if (!stores_.Empty()) entries.push_back({kGameStoresEntryName, "", SaveGameStoreIds(stores_), 0});
  } catch (const platform::ESetupError& error) {
    throw MkError(options_.script + ": " + error.what());
  }

  const auto& groups = compiler_.FileList.Groups;
  for (size_t g = 1; g < groups.size(); ++g)
    for (const TFile& file : groups[g].Files)
      entries.push_back({file.EntryName, file.Source, std::nullopt, static_cast<uint16_t>(g)});
  return entries;
}

std::string Packager::OutputPath() const {
  if (!options_.output.empty()) return platform::WindowsPathOf(options_.output);
  const std::string& name = compiler_.Info.Info.SetupExeName;
  if (name.empty())
    throw MkError(options_.script + ": the script has no outfile line; name the output with -o");
  return IncludeTrailingBackslash(scriptDir_) + name;
}

std::string Packager::StubPath() const {
  if (!options_.stub.empty()) {
    const std::string stub = platform::WindowsPathOf(options_.stub);
    if (!platform::FileExists(stub)) throw MkError(options_.stub + ": stub not found");
    return stub;
  }
  if (const auto setup = Sibling(toolDir_, "setup")) return *setup;
  throw MkError("the setup program was not found beside mksetup (" + Shown(toolDir_) +
                "); give --stub FILE, or --package-only for a package alone");
}

// The finaliser travels inside the uninstaller and is started by it, so it must be a
// program for the same system as the setup program: finalise.exe beside a Windows
// setup, finalise beside a Linux one (beside mksetup for a package alone).
std::optional<std::string> Packager::FinaliserPath() const {
  std::string stub;
  if (!options_.packageOnly) try {
      stub = StubPath();
    } catch (const MkError&) {
      // Write names the missing setup program; the finaliser is looked for beside mksetup.
    }
  const ProgramFormat wanted = stub.empty() ? ProgramFormat::Unknown : ProgramFormatOf(stub);
  if (!options_.finaliser.empty()) {
    const std::string path = platform::WindowsPathOf(options_.finaliser);
    if (!platform::FileExists(path)) throw MkError(options_.finaliser + ": finaliser not found");
    const ProgramFormat format = ProgramFormatOf(path);
    if (wanted != ProgramFormat::Unknown && format != wanted)
      throw MkError(options_.finaliser + ": the finaliser is " + ProgramFormatName(format) +
                    " but the setup program " + Shown(stub) + " is " + ProgramFormatName(wanted));
    return path;
  }
  const std::string dir = stub.empty() ? toolDir_ : ExtractFileDir(stub);
  const char* name = wanted == ProgramFormat::Windows ? "finalise.exe"
                     : wanted == ProgramFormat::Linux ? "finalise"
                                                      : nullptr;
  std::optional<std::string> found;
  if (!name) found = Sibling(dir, "finalise");
  else if (platform::FileExists(dir + "\\" + name)) found = dir + "\\" + name;
  if (!found)
    Warn(std::string("warning: the finaliser (") + (name ? name : "finalise") + ") was not found beside " +
         (stub.empty() ? "mksetup" : "the setup program") + " (" + Shown(dir) +
         "); the uninstaller will not remove itself");
  return found;
}

unsigned Packager::Workers() const { return options_.threads ? options_.threads : platform::WorkerCount(); }

// The entries are compressed on all workers and written in the planned order, so the
// file is byte for byte the one a single thread writes. Small entries go to the workers
// in batches (one at a time, the pool's hand-offs cost more than their packing). Large
// files (stored as they are) are copied when their turn comes.
void Packager::StoreEntries(TPak& pak, const std::vector<PlannedEntry>& entries,
                            const std::string& partial) const {
  std::vector<uint64_t> costs;  // the content and its stream; large files pass through
  for (const PlannedEntry& entry : entries) {
    const std::optional<platform::FileFacts> facts =
        entry.content ? std::nullopt : platform::FileFactsOf(entry.source);
    const uint64_t size = entry.content ? entry.content->size() : facts ? facts->size : 0;
    costs.push_back(size >= kLargeEntrySize ? 0 : 2 * size);
  }
  using Packed = std::optional<TPackedContent>;
  const auto pack = [&](unsigned, size_t i) -> Packed {
    const PlannedEntry& entry = entries[i];
    return entry.content ? PackContent(entry.content->data(), entry.content->size())
                         : PackSourceFile(entry.source);
  };
  const auto store = [&](size_t i, Packed&& packed) {
    const PlannedEntry& entry = entries[i];
    Say("Packing " + std::to_string(i + 1) + " of " + std::to_string(entries.size()) + ": " + entry.name);
    const int index = pak.NewEntry(entry.name, entry.source, entry.group);
    const bool stored = packed ? pak.StorePacked(index, *packed) : pak.StoreLargeFile(index);
    if (!stored) throw MkError(Shown(partial) + ": cannot store " + entry.name + Reason());
    return true;
  };
  platform::RunInOrderInBatches<Packed>(costs, {kPackBatchCost, kPackBatchCount}, {Workers(), 0, kPackBudget},
                                        pack, store);
}

const std::string& Packager::Compression() const {
  return options_.compression.empty() ? compiler_.Compression : options_.compression;
}

bool Packager::UsesZstd() const { return Compression() == "zstd" || Compression() == "zstd-max"; }

// The zstd package: the entries go into solid blocks on all workers (ZTI_SolidPacker.h),
// written in the planned order, so this file too is the same for any number of threads.
void Packager::StoreEntriesSolid(TPak& pak, const std::vector<PlannedEntry>& entries) const {
  std::vector<TSolidSource> sources;
  for (const PlannedEntry& entry : entries) {
    TSolidSource source{entry.name, entry.source, entry.content ? &*entry.content : nullptr, entry.group, 0};
    if (entry.content) {
      source.size = entry.content->size();
    } else {
      const std::optional<platform::FileFacts> facts = platform::FileFactsOf(entry.source);
      if (!facts) throw MkError(Shown(entry.source) + ": cannot read" + Reason());
      source.size = facts->size;
    }
    sources.push_back(std::move(source));
  }
  const TSolidOptions options =
      Compression() == "zstd-max" ? StrongestSolidOptions(Workers()) : TSolidOptions{Workers()};
  PackSolid(pak, sources, options, [&](size_t i) {
    Say("Packing " + std::to_string(i + 1) + " of " + std::to_string(entries.size()) + ": " +
        entries[i].name);
  });
}

// A bound on the file the package makes: no entry is stored longer than its content,
// and a table record takes its name and a few numbers.
uint64_t Packager::LargestOutput(const std::vector<PlannedEntry>& entries, const std::string& stub) const {
  constexpr uint64_t kRecordBound = 64;
  uint64_t bound = 4096;  // the header, locator and table's own fields
  if (!stub.empty())
    if (const auto facts = platform::FileFactsOf(stub)) bound += facts->size;
  for (const PlannedEntry& entry : entries) {
    bound += kRecordBound + entry.name.size();
    if (entry.content) bound += entry.content->size();
    else if (const auto facts = platform::FileFactsOf(entry.source)) bound += facts->size;
  }
  return bound;
}

// The data files of an earlier run of the same output with more of them would be
// taken for this one's by whoever publishes the folder.
void Packager::RemoveStaleDataFiles(const std::string& stem, size_t kept) const {
  for (size_t k = kept + 1; platform::FileExists(stem + DataFileSuffix(k)); ++k)
    if (!platform::DeleteFileAt(stem + DataFileSuffix(k)))
      throw MkError(Shown(stem + DataFileSuffix(k)) + ": cannot remove this data file of an earlier setup" +
                    Reason());
}

Summary Packager::Write(const std::vector<PlannedEntry>& entries) {
  const std::string output = OutputPath();
  const std::string stub = options_.packageOnly ? std::string() : StubPath();
  const std::string partial = output + ".part";
  Summary summary;
  summary.output = options_.output.empty() ? Shown(output) : options_.output;
  summary.path = output;
  summary.groups = compiler_.FileList.GroupCounter;

  // Whatever goes wrong below, the partial file goes and the output is untouched.
  struct PartialFile {
    std::string path;
    bool keep = false;
    ~PartialFile() {
      if (!keep) platform::DeleteFileAt(path);
    }
  } guard{partial};
  // The data files are written under temporary names too, and go with the program.
  const std::string stem = DataFileStemOf(output);
  const auto partialDataFile = [&](size_t k) { return stem + DataFileSuffix(k) + ".part"; };
  size_t dataFiles = 0;
  struct PartialDataFiles {
    std::string stem;
    const size_t& count;
    ~PartialDataFiles() {
      for (size_t k = 1; k <= count; ++k) platform::DeleteFileAt(stem + DataFileSuffix(k) + ".part");
    }
  } dataGuard{stem, dataFiles};

  try {
    if (!stub.empty() && !platform::CopyFileOverwriting(stub, partial))
      throw MkError(Shown(partial) + ": cannot write (copying the setup program " + Shown(stub) + ")" +
                    Reason());
    if (!stub.empty()) StripStubSignature(partial);
    TPak pak;
    pak.Create(partial, !stub.empty(), stub.empty());
    const bool zstd = UsesZstd();
    // zlib entries go into the extended layout only when the first one, with its
    // 32-bit positions and no data files, may not hold them.
    const uint64_t largest = LargestOutput(entries, stub);
    const bool extended = zstd || largest > options_.split || largest > UINT32_MAX;
    if (extended) {
      pak.UseExtendedLayout();
      pak.SplitBeyond(options_.split, [&](size_t k) {
        dataFiles = std::max(dataFiles, k);
        Say("Writing data file " + Shown(stem + DataFileSuffix(k)));
        return partialDataFile(k);
      });
    }
    if (zstd) StoreEntriesSolid(pak, entries);
    else StoreEntries(pak, entries, partial);
    if (!(extended ? pak.WriteExtendedTable() : pak.WriteTable()))
      throw MkError(Shown(partial) + ": cannot write the entry table" + Reason());
    dataFiles = pak.DataFileParts().size();
    summary.dataFiles = dataFiles;
    for (const TPakFile& stored : pak.Entries()) {
      summary.bytesIn += stored.OrigSize;
      summary.bytesStored += stored.StoredLength();
    }
    for (const TPakBlock& block : pak.Blocks()) summary.bytesStored += block.StoredSize;
    summary.entries = pak.Count();
    pak.Close();
  } catch (const platform::ESetupError& error) {
    throw MkError(error.what());
  }

  // Entry offsets of the first layout are 32-bit file positions: a larger file cannot
  // be read back. (The extended layout's are 64-bit.)
  platform::File written = platform::File::Open(partial, platform::OpenMode::ReadShared);
  if (dataFiles == 0 && written.Size() > static_cast<int64_t>(UINT32_MAX))
    throw MkError(summary.output + ": the setup would be larger than 4 GiB, which a package cannot address");
  written.Close();
  if (!stub.empty()) platform::MarkExecutable(partial);
  if (platform::FileExists(output) && !platform::DeleteFileAt(output))
    throw MkError(summary.output + ": cannot replace the existing file" + Reason());
  if (!platform::RenameFile(partial, output)) throw MkError(summary.output + ": cannot write" + Reason());
  guard.keep = true;
  for (size_t k = 1; k <= dataFiles; ++k) {
    const std::string name = stem + DataFileSuffix(k);
    if (platform::FileExists(name) && !platform::DeleteFileAt(name))
      throw MkError(Shown(name) + ": cannot replace the existing file" + Reason());
    if (!platform::RenameFile(partialDataFile(k), name))
      throw MkError(Shown(name) + ": cannot write" + Reason());
  }
  RemoveStaleDataFiles(stem, dataFiles);
  dataFiles = 0;  // all in place: nothing for the guard to remove
  return summary;
}

}  // namespace mksetup
