// Extracting a group of entries into a directory, for the file command. Every name
// of the group is checked before anything is written, so a package cannot place a
// file outside the target directory.
#include <algorithm>
#include <exception>
#include <vector>

#include "lang/S_DecimalSeperator.h"
#include "lang/ZTI_Language.h"
#include "package/CRC.h"
#include "package/ZTI_EntryNames.h"
#include "package/ZTI_PakFile.h"
#include "package/ZTI_PakHooks.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/OrderedWork.h"
#include "platform/WorkBatches.h"
#include "platform/WorkerCount.h"

namespace {

constexpr uint16_t kTextExtracting = 18;  // "Extracting <%FILENAME%>"

std::u16string ExtractingText(std::string_view fileName) {
  return ReplaceText(Languages().GetText(kTextExtracting), u"<%FILENAME%>", platform::AnsiToWide(fileName));
}

// The status line of a large entry's copy: its name, what is done and its size.
void ShowLargeProgress(TExtractHooks& hooks, const std::u16string& wideName, uint64_t done,
                       const std::string& total) {
  hooks.StatusText(ReplaceText(
      Languages().GetText(kTextExtracting), u"<%FILENAME%>",
      wideName + u" - " + platform::AnsiToWide(FormatSize(done)) + u" / " + platform::AnsiToWide(total)));
}

}  // namespace

void TPak::RefuseUnsafeNames(uint16_t group) const {
  for (const TPakFile& entry : entries_) {
    if (entry.Group != group) continue;
    if (const std::optional<std::string> fault = EntryNameFault(entry.Name))
      throw platform::ESetupError("Entry \"" + entry.Name + "\" of package \"" + fileName_ + "\" " + *fault +
                                  "; nothing of group " + std::to_string(group) + " was extracted");
  }
}

namespace {

// Entries read ahead and not yet written may take this much memory (one entry alone
// may take more); with the 25 MiB piece of a large entry's copy the whole stays
// under 64 MiB.
constexpr uint64_t kReadAheadBudget = 32ull << 20;
// Small entries travel from the readers together: up to this many, or this much.
constexpr size_t kReadAheadBatchCount = 64;
constexpr uint64_t kReadAheadBatchCost = 1ull << 20;

// One entry as the readers hand it to the writer: its content, or the fault that
// reading it raised, to be raised in its turn.
struct TReadAhead {
  TEntryRead read;
  std::exception_ptr error;
};

// Members of a group that one worker reads together: a single entry, or the entries of
// a solid block with those between them (stored as they are, PNG or OGG), so that the
// block is decoded once for all.
struct TReadUnit {
  std::vector<size_t> positions;  // in the group's member list
  std::optional<uint32_t> block;  // the block they share
  uint64_t cost = 0;
};

// Entries stored as they are join the unit of the block before them up to this much.
constexpr uint64_t kUnitExtraCost = 8ull << 20;

std::vector<TReadUnit> PlanUnits(const std::vector<TPakFile>& entries, const std::vector<TPakBlock>& blocks,
                                 const std::vector<int>& members, const std::vector<uint64_t>& costs) {
  std::vector<TReadUnit> units;
  uint64_t extra = 0;  // what joined the last block's unit
  for (size_t position = 0; position < members.size(); ++position) {
    const TPakFile& e = entries[members[position]];
    const bool inOneBlock = e.InBlocks && costs[position] != 0 && e.Block < blocks.size() &&
                            e.Offset <= blocks[e.Block].ContentSize &&
                            e.OrigSize <= blocks[e.Block].ContentSize - e.Offset;
    bool joins = false;
    if (inOneBlock) {
      // A later entry of the block, after others: its block's unit, when that is the last.
      joins = !units.empty() && units.back().block == e.Block;
    } else {
      joins =
          !units.empty() && units.back().block && !e.InBlocks && extra + costs[position] <= kUnitExtraCost;
      if (joins) extra += costs[position];
    }
    if (!joins) {
      const std::optional<uint32_t> block = inOneBlock ? std::optional<uint32_t>(e.Block) : std::nullopt;
      units.push_back({{}, block, block ? blocks[*block].StoredSize + blocks[*block].ContentSize : 0});
      extra = 0;
    }
    units.back().positions.push_back(position);
    units.back().cost += costs[position];
  }
  return units;
}

}  // namespace

// The entries are read and inflated (or their blocks decoded) on the workers while the
// calling thread writes them, in table order: status text, installed-file record, file
// and gauge step come one entry after the other as in a plain walk. Large entries are
// copied by the writer in pieces.
void TPak::ExtractGroup(const std::string& directory, uint16_t group, TExtractHooks& hooks) {
  RefuseUnsafeNames(group);
  std::vector<int> members;  // the walk leaves the cursor after the group's last entry
  for (auto index = FirstIndexInGroup(group); index; index = NextIndexInGroup(group))
    members.push_back(*index);
  const unsigned workers =
      static_cast<unsigned>(std::min<size_t>(platform::WorkerCount(), std::max<size_t>(members.size(), 1)));
  std::vector<platform::File> readers;  // one per worker; a single thread uses the package's
  for (unsigned w = 0; workers > 1 && w < workers; ++w) {
    readers.push_back(OpenReader());
    if (!readers.back().IsOpen()) platform::RaiseSystemError("Cannot open file \"" + fileName_ + "\"");
  }
  // What verification kept is written as it is; only the rest is read again.
  std::vector<std::optional<Bytes>> kept;
  std::vector<uint64_t> costs;
  for (const int member : members) {
    const TPakFile& e = entries_[member];
    kept.push_back(verified_.Take(member));
    costs.push_back(e.IsLarge() || kept.back() ? 0 : e.OrigSize + e.StoredLength());
  }
  const std::vector<TReadUnit> units = PlanUnits(entries_, blocks_, members, costs);
  std::vector<uint64_t> unitCosts;
  for (const TReadUnit& unit : units) unitCosts.push_back(unit.cost);
  const auto readOne = [&](platform::File& file, size_t position, const Bytes* blockContent) {
    TReadAhead ahead;
    const int member = members[position];
    if (entries_[member].IsLarge()) return ahead;
    if (kept[position]) {
      ahead.read.Whole = true;
      ahead.read.Content = std::move(kept[position]);
      return ahead;
    }
    try {
      ahead.read = blockContent ? SliceOfBlock(member, *blockContent) : ReadEntryThrough(file, member, true);
    } catch (...) {
      ahead.error = std::current_exception();
    }
    return ahead;
  };
  // Small units go to the workers in batches: one at a time, the hand-offs would cost
  // more than the reading.
  using Unit = std::vector<TReadAhead>;
  const auto read = [&](unsigned worker, size_t u) {
    platform::File& file = readers.empty() ? file_ : readers[worker];
    Unit out;
    std::optional<platform::Result<Bytes>> block;
    if (units[u].block && units[u].cost != 0) block = ReadBlockThrough(file, *units[u].block);
    for (const size_t position : units[u].positions) {
      const TPakFile& e = entries_[members[position]];
      const bool inBlock = block && e.InBlocks && e.Block == *units[u].block;
      if (inBlock && !*block && !kept[position]) {
        TReadAhead failed;
        failed.read.Problem = block->Problem();
        out.push_back(std::move(failed));
        continue;
      }
      out.push_back(readOne(file, position, inBlock && *block ? &**block : nullptr));
    }
    return out;
  };
  const auto write = [&](size_t u, Unit&& unit) {
    for (size_t k = 0; k < unit.size(); ++k)
      WriteEntry(directory, members[units[u].positions[k]], std::move(unit[k].read), unit[k].error, hooks);
    return true;
  };
  platform::RunInOrderInBatches<Unit>(unitCosts, {kReadAheadBatchCost, kReadAheadBatchCount},
                                      {workers, 0, kReadAheadBudget}, read, write);
  hooks.StatusText(ExtractingText(std::string_view()));
}

void TPak::WriteEntry(const std::string& directory, int index, TEntryRead&& read,
                      const std::exception_ptr& error, TExtractHooks& hooks) {
  const TPakFile& entry = entries_[index];
  hooks.StatusText(ExtractingText(entry.Name));
  const std::string path = directory + "\\" + entry.Name;
  hooks.FileRecorded(path);
  if (entry.IsLarge()) {
    ExtractLarge(path, entry.Name, entry.OrigSize, index, hooks);
  } else {
    if (error) std::rethrow_exception(error);
    if (read.InflatedLength) ShowLengthMessage(index, *read.InflatedLength);
    if (!read.Content && entry.OrigSize > 0)
      throw EntryFault(entry.Name, "cannot be read: " + (read.Problem.empty() ? "unreadable" : read.Problem));
    hooks.WriteWholeFile(path, read.Content ? read.Content->data() : nullptr,
                         read.Content ? read.Content->size() : 0);
  }
  hooks.Step();
}

platform::ESetupError TPak::EntryFault(const std::string& name, const std::string& problem) const {
  return platform::ESetupError("Entry \"" + name + "\" of package \"" + fileName_ + "\" " + problem);
}

bool TPak::ExtractLarge(const std::string& path, const std::string& name, uint64_t size, int index,
                        TExtractHooks& hooks) {
  if (!ValidIndex(index)) return false;
  if (entries_[index].InBlocks) return ExtractLargeFromBlocks(path, name, index, hooks);
  const uint64_t offset = entries_[index].Offset;
  const uint32_t expected = entries_[index].CRC;  // 0: made by a packer that left it unchecked
  const auto endsEarly = [&](uint64_t done) {
    return EntryFault(
        name, "ends early: " + std::to_string(done) + " of " + std::to_string(size) + " bytes could be read");
  };
  const uint64_t end = PackageEnd();
  if (offset > end || size > end - offset) throw endsEarly(std::min(end - std::min(offset, end), size));
  const std::u16string wideName = platform::AnsiToWide(name);
  const std::string total = FormatSize(size);
  // Each attempt copies the whole entry from its start.
  const auto fill = [&](platform::File& target) {
    Bytes chunk(static_cast<size_t>(std::min<uint64_t>(size, kLargeChunkSize)));
    uint32_t crc = 0;
    for (uint64_t done = 0; done < size;) {
      ShowLargeProgress(hooks, wideName, done, total);
      const size_t n = static_cast<size_t>(std::min<uint64_t>(kLargeChunkSize, size - done));
      if (!ReadPackageAt(file_, offset + done, chunk.data(), n)) throw endsEarly(done);
      if (expected != 0) crc = Crc32(chunk.data(), n, crc);
      if (!target.WriteAll(chunk.data(), n)) return false;
      done += n;
    }
    // Checked at start-up too; the file may have changed since.
    if (expected != 0 && crc != expected) throw EntryFault(name, "is damaged: checksum mismatch");
    return true;
  };
  return hooks.WriteLargeFile(path, fill);
}

// A large entry in blocks is decoded block by block on the writing thread, so it never
// takes more memory than one block.
bool TPak::ExtractLargeFromBlocks(const std::string& path, const std::string& name, int index,
                                  TExtractHooks& hooks) {
  const TPakFile& entry = entries_[index];
  const std::u16string wideName = platform::AnsiToWide(name);
  const std::string total = FormatSize(entry.OrigSize);
  const auto fill = [&](platform::File& target) {
    uint32_t crc = 0;
    uint64_t done = 0;
    uint64_t at = entry.Offset;
    for (uint32_t block = entry.Block; done < entry.OrigSize; ++block, at = 0) {
      ShowLargeProgress(hooks, wideName, done, total);
      if (block >= blocks_.size()) throw EntryFault(name, "runs past the last block");
      const platform::Result<Bytes> content = ReadBlockThrough(file_, block);
      if (!content) throw EntryFault(name, "cannot be read: " + content.Problem());
      const uint64_t n = std::min<uint64_t>(entry.OrigSize - done,
                                            content->size() - std::min<uint64_t>(at, content->size()));
      const uint8_t* slice = content->data() + at;
      crc = Crc32(slice, static_cast<size_t>(n), crc);
      if (!target.WriteAll(slice, static_cast<size_t>(n))) return false;
      done += n;
    }
    if (crc != entry.CRC) throw EntryFault(name, "is damaged: checksum mismatch");
    return true;
  };
  return hooks.WriteLargeFile(path, fill);
}
