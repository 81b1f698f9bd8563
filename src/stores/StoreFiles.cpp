#include "stores/StoreFiles.h"

#include "platform/Files.h"

std::optional<std::string> ReadStoreFile(const std::string& path) {
  const std::optional<platform::FileFacts> facts = platform::FileFactsOf(path);
  if (!facts || facts->size > kVdfMaxBytes) return std::nullopt;
  const auto bytes = platform::ReadWholeFile(path);
  if (!bytes || bytes->size() > kVdfMaxBytes) return std::nullopt;
  return std::string(bytes->begin(), bytes->end());
}

std::optional<TVdfNode> ReadVdfFile(const std::string& path) {
  const std::optional<std::string> text = ReadStoreFile(path);
  if (!text) return std::nullopt;
  TVdfResult parsed = ParseVdf(*text);
  return std::move(parsed.Root);
}

std::string JoinStorePath(const std::string& base, const std::string& name) {
  if (base.empty() || base.back() == '/' || base.back() == '\\') return base + name;
  return base + "/" + name;
}
