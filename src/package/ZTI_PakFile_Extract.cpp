// Extracting a group of entries into a directory, for the file command. Every name
// of the group is checked before anything is written, so a package cannot place a
// file outside the target directory.
#include <algorithm>
#include <exception>
#include <vector>

#include "lang/S_DecimalSeperator.h"
#include "lang/ZTI_Language.h"
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

}  // namespace

// The entries are read and inflated on the workers while the calling thread writes
// them, in table order: status text, installed-file record, file and gauge step come
// one entry after the other as in a plain walk. Large entries are copied by the
// writer in pieces.
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
    costs.push_back(e.IsLarge() || kept.back() ? 0 : static_cast<uint64_t>(e.OrigSize) + e.StoredLength());
  }
  // Small entries go to the workers in batches: one at a time, the hand-offs would
  // cost more than the reading.
  const auto read = [&](unsigned worker, size_t position) {
    TReadAhead ahead;
    const int member = members[position];
    if (entries_[member].IsLarge()) return ahead;
    if (kept[position]) {
      ahead.read.Whole = true;
      ahead.read.Content = std::move(kept[position]);
      return ahead;
    }
    try {
      ahead.read = ReadEntryThrough(readers.empty() ? file_ : readers[worker], member, true);
    } catch (...) {
      ahead.error = std::current_exception();
    }
    return ahead;
  };
  const auto write = [&](size_t position, TReadAhead&& ahead) {
    WriteEntry(directory, members[position], std::move(ahead.read), ahead.error, hooks);
    return true;
  };
  platform::RunInOrderInBatches<TReadAhead>(costs, {kReadAheadBatchCost, kReadAheadBatchCount},
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
      throw platform::ESetupError(
          "Entry \"" + entry.Name + "\" of package \"" + fileName_ +
          "\" cannot be read: " + (read.Problem.empty() ? "unreadable" : read.Problem));
    hooks.WriteWholeFile(path, read.Content ? read.Content->data() : nullptr,
                         read.Content ? read.Content->size() : 0);
  }
  hooks.Step();
}

bool TPak::ExtractLarge(const std::string& path, const std::string& name, uint32_t size, int index,
                        TExtractHooks& hooks) {
  if (!ValidIndex(index)) return false;
  const uint32_t offset = entries_[index].Offset;
  const auto endsEarly = [&](uint64_t done) {
    return platform::ESetupError("Entry \"" + name + "\" of package \"" + fileName_ +
                                 "\" ends early: " + std::to_string(done) + " of " + std::to_string(size) +
                                 " bytes could be read");
  };
  if (static_cast<int64_t>(offset) + size > fileSize_) {
    const int64_t available = std::max<int64_t>(0, fileSize_ - offset);
    throw endsEarly(static_cast<uint64_t>(std::min<int64_t>(available, size)));
  }
  const std::u16string wideName = platform::AnsiToWide(name);
  const std::string total = FormatSize(size);
  // Each attempt copies the whole entry from its start.
  const auto fill = [&](platform::File& target) {
    if (file_.Seek(offset) < 0) throw endsEarly(0);
    Bytes chunk(std::min(size, kLargeChunkSize));
    for (uint32_t done = 0; done < size;) {
      hooks.StatusText(ReplaceText(
          Languages().GetText(kTextExtracting), u"<%FILENAME%>",
          wideName + u" - " + platform::AnsiToWide(FormatSize(done)) + u" / " + platform::AnsiToWide(total)));
      const uint32_t n = std::min(kLargeChunkSize, size - done);
      const size_t got = file_.Read(chunk.data(), n);
      if (got != n) throw endsEarly(done + got);
      if (!target.WriteAll(chunk.data(), n)) return false;
      done += n;
    }
    return true;
  };
  return hooks.WriteLargeFile(path, fill);
}
