// What an operation that can fail gives back: success, or a problem in words that
// say what failed and why ("cannot write C:\Game\x.dat: Access is denied"). Status is
// the answer of an operation without a value; Result<T> holds the value or the
// problem. Both test true on success, so `if (!key.WriteString(...))` reads as the
// bare bool it replaces, and the reason travels with the answer instead of in a
// thread-local "last error" that the next call overwrites.
//
//   platform::Result<Bytes> data = ReadSomething(path);
//   if (!data) return platform::Status::Failure("cannot load " + path + ": " + data.Problem());
//   Use(*data);
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "platform/Errors.h"

namespace platform {

class [[nodiscard]] Status {
 public:
  Status() = default;  // success
  static Status Success() { return Status(); }
  // A failure always says something: an empty text becomes a fixed one, so that a
  // failure is never shown as a blank reason.
  static Status Failure(std::string problem) { return Status(std::move(problem)); }
  // what + ": " + the system's reason for the call that just failed (LastErrorText).
  static Status SystemFailure(std::string_view what);

  bool Ok() const { return !problem_.has_value(); }
  explicit operator bool() const { return Ok(); }
  // Empty on success.
  const std::string& Problem() const;
  // The same failure with its context in front ("what: problem"); success stays success.
  Status Within(std::string_view what) const;
  // Raises ESetupError with the problem on failure.
  void ThrowIfFailed() const;

 private:
  explicit Status(std::string problem);
  std::optional<std::string> problem_;
};

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}  // NOLINT: implicit by design
  // From a failed Status; a successful one here is a programming error and is
  // turned into a failure saying so, rather than a Result without a value.
  Result(Status failure)  // NOLINT: implicit by design
      : state_(std::in_place_index<1>,
               failure.Ok() ? Status::Failure("no value was given for a successful result") : failure) {}

  bool Ok() const { return state_.index() == 0; }
  explicit operator bool() const { return Ok(); }
  const std::string& Problem() const { return Ok() ? NoProblem() : std::get<1>(state_).Problem(); }
  Status ToStatus() const { return Ok() ? Status::Success() : std::get<1>(state_); }

  // The value; on failure raises ESetupError with the problem.
  T& Value() & { return Ok() ? std::get<0>(state_) : Raise(); }
  const T& Value() const& { return Ok() ? std::get<0>(state_) : Raise(); }
  T&& Value() && { return std::move(Ok() ? std::get<0>(state_) : Raise()); }
  T& operator*() & { return Value(); }
  const T& operator*() const& { return Value(); }
  T&& operator*() && { return std::move(*this).Value(); }
  T* operator->() { return &Value(); }
  const T* operator->() const { return &Value(); }
  // As std::optional's, which a Result often replaces.
  template <typename U>
  T value_or(U&& fallback) const& {
    return Ok() ? std::get<0>(state_) : static_cast<T>(std::forward<U>(fallback));
  }
  // Equal to a value when it holds that value, as an optional is.
  friend bool operator==(const Result& result, const T& value) { return result.Ok() && *result == value; }

  // The value as an optional, for callers that only ask whether there is one.
  std::optional<T> AsOptional() const& { return Ok() ? std::optional<T>(std::get<0>(state_)) : std::nullopt; }

 private:
  static const std::string& NoProblem() {
    static const std::string none;
    return none;
  }
  [[noreturn]] T& Raise() const {
    std::get<1>(state_).ThrowIfFailed();
    throw ESetupError("a failed result has no value");  // not reached
  }
  std::variant<T, Status> state_;
};

}  // namespace platform
