// Checking every entry of a package on all workers: each worker reads entries through
// a handle of its own, checks the checksum and inflates the stream to check its
// length; the verdicts are handed to the caller in index order, so progress and the
// first bad entry are the same as in a check one entry after the other.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "package/ZTI_PakFile.h"

struct TEntryVerdict {
  bool Passes = false;
  bool Checked = false;                    // false for entries passed unread: empty and large ones
  std::string Problem;                     // why it fails
  std::optional<uint64_t> InflatedLength;  // the stream's length when it is not OrigSize
  bool Rejected = false;                   // zlib rejected the stream (reading it raises "error")
};

// Which entries' content a check keeps (true at their index) within budget bytes: the
// entries a file command can extract, in table order, up to the first that would not
// fit.
std::vector<bool> PlanKeptContents(const std::vector<TPakFile>& entries, uint64_t budget);

struct TVerifyOptions {
  unsigned workers = 1;
  // When given, the content of the entries PlanKeptContents chooses within keepBudget
  // goes there as each passes (after onVerdict accepted it).
  TVerifiedContents* keep = nullptr;
  uint64_t keepBudget = 0;
};

// Entries with OrigSize 0 and large entries pass unread; any other passes when its
// content reads back whole. onVerdict (index, verdict) runs on the calling thread for
// entry 0, 1, ... and returns false to stop; what it raises ends the check. Raises
// ESetupError when the package cannot be opened again for the workers.
void VerifyEntries(const TPak& pak, const TVerifyOptions& options,
                   const std::function<bool(int index, const TEntryVerdict& verdict)>& onVerdict);
