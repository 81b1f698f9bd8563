// Cuts a run of items into batches for an ordered pool (OrderedWork.h): handing one
// small item at a time to a worker costs more in locking and waking than packing it,
// so consecutive small items travel together, while a costly item goes alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

struct WorkBatch {
  size_t first = 0;   // the batch's first item
  size_t count = 0;   // how many items follow from it
  uint64_t cost = 0;  // the items' costs added up
};

// Consecutive items in order, each batch at most maxCount items whose costs add up to
// at most maxCost; an item costing more than maxCost is a batch of its own.
inline std::vector<WorkBatch> BatchesOf(const std::vector<uint64_t>& costs, uint64_t maxCost,
                                        size_t maxCount) {
  std::vector<WorkBatch> batches;
  for (size_t i = 0; i < costs.size(); ++i) {
    const bool fits =
        !batches.empty() && batches.back().count < maxCount && batches.back().cost + costs[i] <= maxCost;
    if (!fits) batches.push_back({i, 0, 0});
    batches.back().count++;
    batches.back().cost += costs[i];
  }
  return batches;
}

}  // namespace platform
