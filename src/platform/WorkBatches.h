// Cuts a run of items into batches for an ordered pool (OrderedWork.h): handing one
// small item at a time to a worker costs more in locking and waking than packing it,
// so consecutive small items travel together, while a costly item goes alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/OrderedWork.h"

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

struct BatchLimits {
  uint64_t maxCost = 0;  // the costs of one batch's items added up
  size_t maxCount = 0;   // items in one batch
};

// RunInOrder over the items in batches: one worker makes a batch's items one after
// the other (make(worker, item)), and take(item, result) still runs for item 0, 1, 2 ...
// on the calling thread; the costs bound what waits, as in RunInOrder. What make
// raises is raised again at its batch's turn.
template <class Result, class Make, class Take>
void RunInOrderInBatches(const std::vector<uint64_t>& costs, BatchLimits batchLimits,
                         OrderedWorkLimits limits, Make make, Take take) {
  const std::vector<WorkBatch> batches = BatchesOf(costs, batchLimits.maxCost, batchLimits.maxCount);
  using Batch = std::vector<Result>;
  RunInOrder<Batch>(
      batches.size(), limits, [&](size_t b) { return batches[b].cost; },
      [&](unsigned worker, size_t b) {
        Batch batch;
        batch.reserve(batches[b].count);
        for (size_t i = batches[b].first; i < batches[b].first + batches[b].count; ++i)
          batch.push_back(make(worker, i));
        return batch;
      },
      [&](size_t b, Batch&& batch) {
        for (size_t k = 0; k < batch.size(); ++k)
          if (!take(batches[b].first + k, std::move(batch[k]))) return false;
        return true;
      });
}

}  // namespace platform
