// Work made on several threads and taken in order: the order, the early stop, faults
// raised in their turn and the bounds on what waits, for one worker and for many.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "platform/OrderedWork.h"
#include "platform/WorkBatches.h"
#include "platform/WorkerCount.h"

namespace {

using platform::OrderedWorkLimits;
using platform::RunInOrder;

constexpr unsigned kWorkerCounts[] = {1, 2, 3, 8};

TEST(OrderedWorkTest, ResultsAreTakenInItemOrderWhateverTheWorkers) {
  for (unsigned workers : kWorkerCounts) {
    SCOPED_TRACE(workers);
    std::vector<size_t> taken;
    RunInOrder<size_t>(
        500, {workers}, [](size_t) { return 1; }, [](unsigned, size_t i) { return i * i; },
        [&](size_t i, size_t&& square) {
          EXPECT_EQ(square, i * i);
          taken.push_back(i);
          return true;
        });
    ASSERT_EQ(taken.size(), 500u);
    for (size_t i = 0; i < taken.size(); ++i) EXPECT_EQ(taken[i], i);
  }
}

TEST(OrderedWorkTest, StoppingAndFaultsEndTheRunAtTheirItem) {
  struct Case {
    const char* what;
    bool faultInMake;
  } cases[] = {{"take stops", false}, {"make raises", true}};
  for (const Case& c : cases)
    for (unsigned workers : kWorkerCounts) {
      SCOPED_TRACE(std::string(c.what) + " with " + std::to_string(workers));
      std::vector<size_t> taken;
      std::atomic<size_t> made{0};
      bool raised = false;
      try {
        RunInOrder<int>(
            1000, {workers}, [](size_t) { return 1; },
            [&](unsigned, size_t i) {
              ++made;
              if (c.faultInMake && i == 37) throw std::runtime_error("item 37");
              return 0;
            },
            [&](size_t i, int&&) {
              taken.push_back(i);
              return c.faultInMake || i < 37;
            });
      } catch (const std::runtime_error& e) {
        raised = true;
        EXPECT_STREQ(e.what(), "item 37");
      }
      EXPECT_EQ(raised, c.faultInMake);
      // Everything before the item is taken, nothing after it.
      ASSERT_EQ(taken.size(), c.faultInMake ? 37u : 38u);
      EXPECT_EQ(taken.back(), c.faultInMake ? 36u : 37u);
      // The workers stop soon after: at most a window's worth is made beyond the item.
      EXPECT_LE(made.load(), 38u + 2 * workers);
    }
}

TEST(OrderedWorkTest, TheWindowAndTheBudgetBoundWhatWaits) {
  struct Case {
    OrderedWorkLimits limits;
    uint64_t cost;
    size_t mostWaiting;  // being made or waiting, and the one being taken
  } cases[] = {
      {{4, 3, UINT64_MAX}, 1, 3},
      {{4, 0, UINT64_MAX}, 1, 8},  // the default window: twice the workers
      {{4, 100, 10}, 5, 2 + 1},    // the budget holds two besides the one taken
      {{4, 100, 10}, 50, 1 + 1},   // one alone over the budget still runs
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mostWaiting);
    std::atomic<size_t> waiting{0}, most{0};
    size_t takenCount = 0;
    RunInOrder<int>(
        200, c.limits, [&](size_t) { return c.cost; },
        [&](unsigned, size_t) {
          const size_t now = ++waiting;
          for (size_t seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
          }
          return 0;
        },
        [&](size_t, int&&) {
          --waiting;
          ++takenCount;
          return true;
        });
    EXPECT_EQ(takenCount, 200u);
    EXPECT_LE(most.load(), c.mostWaiting);
  }
}

TEST(WorkerCountTest, CountsAreOneToSixtyFourAndTheChoiceHolds) {
  const struct {
    const char* text;
    std::optional<unsigned> count;
  } cases[] = {{"1", 1u},
               {"2", 2u},
               {"64", 64u},
               {"0", std::nullopt},
               {"65", std::nullopt},
               {"", std::nullopt},
               {"-1", std::nullopt},
               {"2x", std::nullopt},
               {"007", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(platform::ParseWorkerCount(c.text), c.count) << c.text;
  EXPECT_GE(platform::WorkerCount(), 1u);
  platform::SetWorkerCount(3);
  EXPECT_EQ(platform::WorkerCount(), 3u);
  platform::SetWorkerCount(0);
  EXPECT_GE(platform::WorkerCount(), 1u);
}

}  // namespace

TEST(WorkBatches, SmallItemsTravelTogetherAndACostlyOneAlone) {
  struct Case {
    std::vector<uint64_t> costs;
    uint64_t maxCost;
    size_t maxCount;
    std::vector<std::pair<size_t, size_t>> batches;  // first, count
  } cases[] = {
      {{}, 10, 4, {}},
      {{1, 1, 1, 1, 1}, 10, 2, {{0, 2}, {2, 2}, {4, 1}}},  // the count limit
      {{4, 4, 4, 1}, 10, 64, {{0, 2}, {2, 2}}},            // the cost limit
      {{1, 50, 1, 1}, 10, 64, {{0, 1}, {1, 1}, {2, 2}}},   // a costly item goes alone
      {{0, 0, 0}, 0, 64, {{0, 3}}},                        // free items still batch
      {{10, 10}, 10, 64, {{0, 1}, {1, 1}}},                // exactly the limit fits once
  };
  for (const Case& c : cases) {
    std::vector<std::pair<size_t, size_t>> got;
    for (const platform::WorkBatch& b : platform::BatchesOf(c.costs, c.maxCost, c.maxCount))
      got.emplace_back(b.first, b.count);
    EXPECT_EQ(got, c.batches) << c.costs.size() << " items, at most " << c.maxCost;
  }
}

// In batches, results still reach take one item at a time and in item order, whatever
// the workers, and a take that says stop ends the run at that item.
TEST(WorkBatches, BatchedRunsTakeEveryItemInOrderAndStopWhereAsked) {
  const std::vector<uint64_t> costs = {1, 1, 50, 1, 1, 1, 1, 0, 0, 3};
  for (const unsigned workers : {1u, 3u}) {
    for (const size_t stopAt : {costs.size(), size_t{4}}) {
      std::vector<size_t> taken;
      platform::RunInOrderInBatches<size_t>(
          costs, {10, 3}, {workers, 0, 20}, [](unsigned, size_t i) { return i * i; },
          [&](size_t i, size_t&& square) {
            EXPECT_EQ(square, i * i);
            taken.push_back(i);
            return i != stopAt;
          });
      std::vector<size_t> expected;
      for (size_t i = 0; i < costs.size() && i <= stopAt; ++i) expected.push_back(i);
      EXPECT_EQ(taken, expected) << workers << " workers, stop at " << stopAt;
    }
  }
}
