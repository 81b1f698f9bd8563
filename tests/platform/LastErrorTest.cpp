// The system's reason for a failed call, as the platform layer hands it on: each
// failure leaves a reason of its own, right after the call, in both systems.
#include <gtest/gtest.h>

#include <string>

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Result.h"
#include "support/TestMachine.h"

namespace platform {
namespace {

using testing_support::TempPrefix;

// The reason a failed open leaves.
std::string ReasonOfOpen(const std::string& path, OpenMode mode) {
  const File file = File::Open(path, mode);
  EXPECT_FALSE(file.IsOpen()) << path;
  return LastErrorText();
}

// A refusal of the program's own replaces whatever reason an earlier call left.
TEST(LastError, ARefusalOfTheProgramsOwnLeavesItsReason) {
  TempPrefix prefix;
  const std::string missing = ReasonOfOpen(prefix.Path("C:\\no such file.txt"), OpenMode::ReadShared);
  NoteFileTooLarge();
  const std::string tooLarge = LastErrorText();
  EXPECT_NE(tooLarge, "");
  EXPECT_NE(tooLarge, missing);
}

TEST(LastError, EveryKindOfFailureLeavesAReasonOfItsOwn) {
  TempPrefix prefix;
  ASSERT_TRUE(MakeDirectory(prefix.Path("C:\\folder")));
  ASSERT_TRUE(WriteFileBytes(prefix.Path("C:\\locked.txt"), "x", 1));
  ASSERT_TRUE(SetReadOnly(prefix.Path("C:\\locked.txt"), true));
  const std::string missing = ReasonOfOpen(prefix.Path("C:\\no such file.txt"), OpenMode::ReadShared);
  const std::string locked = ReasonOfOpen(prefix.Path("C:\\locked.txt"), OpenMode::ReadWrite);
  const std::string folder = ReasonOfOpen(prefix.Path("C:\\folder"), OpenMode::ReadWrite);
  EXPECT_NE(missing, "");
  EXPECT_NE(locked, "");
  EXPECT_NE(folder, "");
  EXPECT_NE(missing, locked);  // a reason, not a fixed "failed"
  // The same failure gives the same words again.
  EXPECT_EQ(ReasonOfOpen(prefix.Path("C:\\no such file.txt"), OpenMode::ReadShared), missing);
  ASSERT_TRUE(SetReadOnly(prefix.Path("C:\\locked.txt"), false));
}

TEST(LastError, AFileThatEndsEarlySaysSo) {
  TempPrefix prefix;
  const std::string path = prefix.Path("C:\\short.bin");
  ASSERT_TRUE(WriteFileBytes(path, "abc", 3));
  const std::string missing = ReasonOfOpen(prefix.Path("C:\\absent.bin"), OpenMode::ReadShared);
  File file = File::Open(path, OpenMode::ReadShared);
  ASSERT_TRUE(file.IsOpen());
  char bytes[8];
  ASSERT_FALSE(file.ReadExact(bytes, sizeof bytes));
  const std::string ended = LastErrorText();
  EXPECT_NE(ended, "");
  EXPECT_NE(ended, missing);  // not what an earlier failure left behind
  File closed;
  EXPECT_EQ(closed.Read(bytes, 1), 0u);
  EXPECT_NE(LastErrorText(), ended);
}

TEST(LastError, SystemFailureNamesWhatFailedThenTheReason) {
  TempPrefix prefix;
  const std::string path = prefix.Path("C:\\absent.txt");
  const std::string reason = ReasonOfOpen(path, OpenMode::ReadShared);
  static_cast<void>(File::Open(path, OpenMode::ReadShared));
  const Status failure = Status::SystemFailure("cannot open " + path);
  EXPECT_EQ(failure.Problem(), "cannot open " + path + ": " + reason);
  static_cast<void>(File::Open(path, OpenMode::ReadShared));
  try {
    RaiseSystemError("Cannot open file \"" + path + "\"");
    ADD_FAILURE() << "no exception";
  } catch (const ESetupError& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot open file \"" + path + "\": " + reason);
  }
}

}  // namespace
}  // namespace platform
