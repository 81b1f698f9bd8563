#include "script/SE_CommandReference.h"

#include <algorithm>

#include "script/ZTI_CommandTable.h"

namespace {

template <typename Row>
std::string Usage(const Row& info) {
  std::string usage(info.keyword);
  if (!info.signature.empty()) (usage += ' ') += info.signature;
  return usage;
}

// What the command does, with a note for a command whose whole effect is in the package.
std::string Summary(const TCommandInfo& info) {
  std::string summary(info.summary);
  if (info.packagingOnly) summary += " (when packing)";
  return summary;
}

std::string Summary(const TDirectiveInfo& info) { return std::string(info.summary) + " (when packing)"; }

}  // namespace

std::string CommandReferenceText() {
  size_t width = 0;
  for (const TCommandInfo& info : kCommandTable) width = std::max(width, Usage(info).size());
  for (const TDirectiveInfo& info : kStoreDirectiveTable) width = std::max(width, Usage(info).size());
  std::string text;
  const auto add = [&](const auto& info) {
    const std::string usage = Usage(info);
    text += "  " + usage + std::string(width - usage.size() + 2, ' ');
    text += Summary(info) + '\n';
  };
  for (const TCommandInfo& info : kCommandTable) add(info);
  for (const TDirectiveInfo& info : kStoreDirectiveTable) add(info);
  return text;
}

std::string CommandReferenceMarkdown() {
  std::string text = "| command | what it does |\n|---|---|\n";
  for (const TCommandInfo& info : kCommandTable)
    text += "| `" + Usage(info) + "` | " + Summary(info) + " |\n";
  for (const TDirectiveInfo& info : kStoreDirectiveTable)
    text += "| `" + Usage(info) + "` | " + Summary(info) + " |\n";
  return text;
}
