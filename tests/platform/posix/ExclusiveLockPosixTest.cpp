#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/ExclusiveLock.h"
#include "support/TestMachine.h"

namespace {

using platform::ExclusiveLock;
using platform::LockState;

// A run killed while it holds the lock leaves it free: the next start recovers.
TEST(ExclusiveLockPosix, AKilledHolderLeavesTheLockFree) {
  testing_support::TestMachine machine;
  const std::string path = machine.Path("C:\\run.lock");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ExclusiveLock held = ExclusiveLock::TryAcquire(path);
    const char state = held.Held() ? 'h' : 'f';
    if (write(ready[1], &state, 1) != 1) _exit(1);
    for (;;) pause();
  }
  char state = 0;
  ASSERT_EQ(read(ready[0], &state, 1), 1);
  EXPECT_EQ(state, 'h');
  EXPECT_EQ(ExclusiveLock::TryAcquire(path).State(), LockState::Busy);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(ExclusiveLock::TryAcquire(path).State(), LockState::Held);
  close(ready[0]);
  close(ready[1]);
}

// A link planted in the lock's place is not followed to make or lock its target.
TEST(ExclusiveLockPosix, ALinkInTheLocksPlaceIsNotFollowed) {
  testing_support::TestMachine machine;
  const std::filesystem::path target = machine.DriveC() / "elsewhere.txt";
  std::filesystem::create_symlink(target, machine.DriveC() / "run.lock");
  EXPECT_EQ(ExclusiveLock::TryAcquire(machine.Path("C:\\run.lock")).State(), LockState::Failed);
  EXPECT_FALSE(std::filesystem::exists(target));
}

}  // namespace
