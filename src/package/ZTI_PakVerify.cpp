#include "package/ZTI_PakVerify.h"

#include <vector>

#include "platform/Errors.h"
#include "platform/OrderedWork.h"
#include "platform/WorkBatches.h"

namespace {

// Entries waiting to be handed over hold their stored bytes (and their content, when
// it is kept) while being checked, so a few times the largest entry is all the memory
// the check takes besides what it keeps.
constexpr uint64_t kVerifyBudget = 128ull << 20;
// Small entries go to the workers together: one at a time, the hand-offs would cost
// more than checking them.
constexpr size_t kVerifyBatchCount = 64;
constexpr uint64_t kVerifyBatchCost = 1ull << 20;

struct TChecked {
  TEntryVerdict verdict;
  std::optional<Bytes> content;  // when it is to be kept and read whole
};

TChecked Check(const TPak& pak, platform::File& file, int index, bool keepContent) {
  const TPakFile& entry = pak.Entries()[index];
  TChecked checked;
  TEntryVerdict& verdict = checked.verdict;
  if (entry.OrigSize == 0 || entry.IsLarge()) {
    verdict.Passes = true;
    return checked;
  }
  verdict.Checked = true;
  TEntryRead read;
  try {
    read = pak.ReadEntryThrough(file, index, keepContent);
  } catch (const platform::ESetupError&) {
    verdict.Rejected = true;
    verdict.Problem = "zlib stream rejected";
    return checked;
  }
  verdict.Passes = read.Whole;
  verdict.Problem = read.Problem;
  verdict.InflatedLength = read.InflatedLength;
  if (read.Whole) checked.content = std::move(read.Content);
  return checked;
}

}  // namespace

std::vector<bool> PlanKeptContents(const std::vector<TPakFile>& entries, uint64_t budget) {
  std::vector<bool> keep(entries.size(), false);
  uint64_t planned = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    const TPakFile& entry = entries[i];
    if (entry.Group == 0 || entry.OrigSize == 0 || entry.IsLarge()) continue;
    if (planned + entry.OrigSize > budget) break;
    planned += entry.OrigSize;
    keep[i] = true;
  }
  return keep;
}

void VerifyEntries(const TPak& pak, const TVerifyOptions& options,
                   const std::function<bool(int index, const TEntryVerdict& verdict)>& onVerdict) {
  const std::vector<TPakFile>& entries = pak.Entries();
  const unsigned workers = std::max(options.workers, 1u);
  std::vector<platform::File> files;  // one handle per worker, opened here, used there
  for (unsigned w = 0; w < workers && w < entries.size(); ++w) {
    files.push_back(pak.OpenReader());
    if (!files.back().IsOpen()) platform::RaiseSystemError("Cannot open file \"" + pak.FileName() + "\"");
  }
  const std::vector<bool> keep =
      options.keep ? PlanKeptContents(entries, options.keepBudget) : std::vector<bool>(entries.size());
  std::vector<uint64_t> costs;
  for (size_t i = 0; i < entries.size(); ++i) {
    const TPakFile& e = entries[i];
    costs.push_back(e.IsLarge() ? 0 : e.StoredLength() + (keep[i] ? e.OrigSize : 0));
  }
  const auto check = [&](unsigned worker, size_t i) {
    return Check(pak, files[worker], static_cast<int>(i), keep[i]);
  };
  const auto hand = [&](size_t i, TChecked&& checked) {
    const int index = static_cast<int>(i);
    if (!onVerdict(index, checked.verdict)) return false;
    if (checked.content) options.keep->Keep(index, std::move(*checked.content));
    return true;
  };
  platform::RunInOrderInBatches<TChecked>(costs, {kVerifyBatchCost, kVerifyBatchCount},
                                          {workers, 0, kVerifyBudget}, check, hand);
}
