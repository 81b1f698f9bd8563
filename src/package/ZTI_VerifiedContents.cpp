#include "package/ZTI_VerifiedContents.h"

void TVerifiedContents::Keep(int index, Bytes content) {
  auto [it, added] = contents_.try_emplace(index);
  if (!added) keptBytes_ -= it->second.size();
  keptBytes_ += content.size();
  it->second = std::move(content);
}

std::optional<TVerifiedContents::Bytes> TVerifiedContents::Take(int index) {
  auto it = contents_.find(index);
  if (it == contents_.end()) return std::nullopt;
  Bytes content = std::move(it->second);
  contents_.erase(it);
  keptBytes_ -= content.size();
  return content;
}

void TVerifiedContents::Clear() {
  contents_.clear();
  keptBytes_ = 0;
}
