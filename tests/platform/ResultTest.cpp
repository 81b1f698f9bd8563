// Status and Result: what a caller can rely on when an operation says why it failed.
#include "platform/Result.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform {
namespace {

TEST(Status, AFailureAlwaysSaysSomethingAndSuccessSaysNothing) {
  const struct {
    const char* what;
    Status status;
    bool ok;
    std::string problem;
  } cases[] = {
      {"success", Status::Success(), true, ""},
      {"default", Status(), true, ""},
      {"failure", Status::Failure("cannot write x"), false, "cannot write x"},
      {"empty failure", Status::Failure(""), false, "the operation failed without saying why"},
      {"context", Status::Failure("Access is denied").Within("cannot write x"), false,
       "cannot write x: Access is denied"},
      {"context on success", Status::Success().Within("cannot write x"), true, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.status.Ok(), c.ok) << c.what;
    EXPECT_EQ(static_cast<bool>(c.status), c.ok) << c.what;
    EXPECT_EQ(c.status.Problem(), c.problem) << c.what;
  }
}

TEST(Status, ThrowIfFailedRaisesTheProblemOnly) {
  EXPECT_NO_THROW(Status::Success().ThrowIfFailed());
  try {
    Status::Failure("the key does not exist").ThrowIfFailed();
    ADD_FAILURE() << "no exception";
  } catch (const ESetupError& error) {
    EXPECT_EQ(std::string(error.what()), "the key does not exist");
  }
}

Result<std::vector<int>> Numbers(bool succeed) {
  if (!succeed) return Status::Failure("no numbers today");
  return std::vector<int>{1, 2, 3};
}

TEST(Result, HoldsTheValueOrTheProblem) {
  Result<std::vector<int>> good = Numbers(true);
  ASSERT_TRUE(good);
  EXPECT_EQ(good->size(), 3u);
  EXPECT_EQ((*good)[2], 3);
  EXPECT_EQ(good.Problem(), "");
  EXPECT_TRUE(good.ToStatus().Ok());
  EXPECT_EQ(good.AsOptional(), std::optional<std::vector<int>>(std::vector<int>{1, 2, 3}));
  EXPECT_EQ(good.value_or(std::vector<int>{}), (std::vector<int>{1, 2, 3}));

  const Result<std::vector<int>> bad = Numbers(false);
  EXPECT_FALSE(bad);
  EXPECT_EQ(bad.Problem(), "no numbers today");
  EXPECT_EQ(bad.ToStatus().Problem(), "no numbers today");
  EXPECT_FALSE(bad.AsOptional());
  EXPECT_EQ(bad.value_or(std::vector<int>{9}), std::vector<int>{9});
  EXPECT_FALSE(bad == std::vector<int>{});  // a failure equals no value
  EXPECT_TRUE(good == (std::vector<int>{1, 2, 3}));
}

TEST(Result, AskingAFailureForItsValueRaisesItsProblem) {
  const Result<std::string> bad = Status::Failure("the value \"x\" does not exist");
  try {
    (void)bad.Value();
    ADD_FAILURE() << "no exception";
  } catch (const ESetupError& error) {
    EXPECT_EQ(std::string(error.what()), "the value \"x\" does not exist");
  }
  EXPECT_THROW((void)*Result<int>(Status::Failure("gone")), ESetupError);
}

TEST(Result, ASuccessfulStatusWithoutAValueIsStillAFailure) {
  // A Result made from Status::Success() has no value to give; it must not test true.
  const Result<int> confused = Status::Success();
  EXPECT_FALSE(confused);
  EXPECT_FALSE(confused.Problem().empty());
}

TEST(Result, MovesItsValueOut) {
  Result<std::string> text = std::string(1000, 'x');
  const std::string taken = *std::move(text);
  EXPECT_EQ(taken.size(), 1000u);
}

}  // namespace
}  // namespace platform
