#include "platform/ExclusiveLock.h"

#include <gtest/gtest.h>

#include "support/TestMachine.h"

namespace {

using platform::ExclusiveLock;
using platform::LockState;

// One holder at a time, also within one process; the lock is free again once its
// holder lets go, goes out of scope, or hands it on by a move.
TEST(ExclusiveLock, OneHolderAtATimeUntilItLetsGo) {
  testing_support::TestMachine machine;
  const std::string path = machine.Path("C:\\run.lock");
  ExclusiveLock first = ExclusiveLock::TryAcquire(path);
  ASSERT_EQ(first.State(), LockState::Held);
  EXPECT_EQ(ExclusiveLock::TryAcquire(path).State(), LockState::Busy);
  first.Release();
  EXPECT_FALSE(first.Held());
  {
    ExclusiveLock second = ExclusiveLock::TryAcquire(path);
    ASSERT_TRUE(second.Held());
    ExclusiveLock moved = std::move(second);
    EXPECT_FALSE(second.Held());
    EXPECT_TRUE(moved.Held());
    EXPECT_EQ(ExclusiveLock::TryAcquire(path).State(), LockState::Busy);
  }
  EXPECT_EQ(ExclusiveLock::TryAcquire(path).State(), LockState::Held);
  // A lock file in a folder that is not there cannot be made: no lock, and not "busy".
  EXPECT_EQ(ExclusiveLock::TryAcquire(machine.Path("C:\\missing\\run.lock")).State(), LockState::Failed);
}

}  // namespace
