#include "package/ZTI_PakVerify.h"

#include <vector>

#include "platform/Errors.h"
#include "platform/OrderedWork.h"

namespace {

// Entries waiting to be handed over hold only their stored bytes while being checked,
// so a few times the largest entry is all the memory the check takes.
constexpr uint64_t kVerifyBudget = 128ull << 20;

TEntryVerdict Check(const TPak& pak, platform::File& file, int index) {
  const TPakFile& entry = pak.Entries()[index];
  TEntryVerdict verdict;
  if (entry.OrigSize == 0 || entry.IsLarge()) {
    verdict.Passes = true;
    return verdict;
  }
  verdict.Checked = true;
  TEntryRead read;
  try {
    read = pak.ReadEntryThrough(file, index, false);
  } catch (const platform::ESetupError&) {
    verdict.Rejected = true;
    verdict.Problem = "zlib stream rejected";
    return verdict;
  }
  verdict.Passes = read.Whole;
  verdict.Problem = read.Problem;
  verdict.InflatedLength = read.InflatedLength;
  return verdict;
}

}  // namespace

void VerifyEntries(const TPak& pak, unsigned workers,
                   const std::function<bool(int index, const TEntryVerdict& verdict)>& onVerdict) {
  const size_t count = pak.Count();
  if (workers < 1) workers = 1;
  std::vector<platform::File> files;  // one handle per worker, opened here, used there
  for (unsigned w = 0; w < workers && w < count; ++w) {
    files.push_back(pak.OpenReader());
    if (!files.back().IsOpen()) platform::RaiseSystemError("Cannot open file \"" + pak.FileName() + "\"");
  }
  const auto cost = [&pak](size_t i) -> uint64_t {
    const TPakFile& e = pak.Entries()[i];
    return e.IsLarge() ? 0 : e.StoredLength();
  };
  platform::RunInOrder<TEntryVerdict>(
      count, {workers, 0, kVerifyBudget}, cost,
      [&](unsigned worker, size_t i) { return Check(pak, files[worker], static_cast<int>(i)); },
      [&](size_t i, TEntryVerdict&& verdict) { return onVerdict(static_cast<int>(i), verdict); });
}
