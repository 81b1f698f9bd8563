#include "platform/Result.h"

namespace platform {

namespace {
const std::string& NoProblem() {
  static const std::string none;
  return none;
}
}  // namespace

Status::Status(std::string problem)
    : problem_(problem.empty() ? std::string("the operation failed without saying why")
                               : std::move(problem)) {}

Status Status::SystemFailure(std::string_view what) {
  std::string problem(what);
  problem += ": ";
  problem += LastErrorText();
  return Status(std::move(problem));
}

const std::string& Status::Problem() const { return problem_ ? *problem_ : NoProblem(); }

Status Status::Within(std::string_view what) const {
  if (Ok()) return *this;
  std::string problem(what);
  problem += ": ";
  problem += *problem_;
  return Status(std::move(problem));
}

void Status::ThrowIfFailed() const {
  if (!Ok()) throw ESetupError(*problem_);
}

}  // namespace platform
