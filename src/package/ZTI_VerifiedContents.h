// The content of entries that start-up has just read whole, kept for the extraction
// that follows: verifying an entry means inflating it, and without this every entry
// would be inflated twice, once to check it and once to write it.
//
// Memory is bounded: which entries are kept is planned before the check, in table
// order, until their content adds up to the budget (PlanKeptContents, ZTI_PakVerify.h),
// so the same package keeps the same entries on every machine and with any number of
// workers. Only entries a file command can extract (group not 0, not large, not
// empty) are kept, and each is handed out once: a group extracted a second time is
// read from the package again.
#pragma once

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

class TVerifiedContents {
 public:
  using Bytes = std::vector<uint8_t>;

  void Keep(int index, Bytes content);
  // The kept content of an entry, once; nothing when it was not kept.
  std::optional<Bytes> Take(int index);
  bool Holds(int index) const { return contents_.count(index) != 0; }
  uint64_t KeptBytes() const { return keptBytes_; }
  void Clear();

 private:
  std::unordered_map<int, Bytes> contents_;
  uint64_t keptBytes_ = 0;
};
