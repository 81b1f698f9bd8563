#include "PageLineEnds.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "ui/SE_StringList.h"

namespace mksetup {
namespace {

bool HasLineFeedsOnly(const std::vector<uint8_t>& bytes) {
  return std::find(bytes.begin(), bytes.end(), '\n') != bytes.end() &&
         std::find(bytes.begin(), bytes.end(), '\r') == bytes.end();
}

}  // namespace

std::optional<std::string> PageFileWithoutCarriageReturns(const std::string& folderPath) {
  const std::string pagesName = "Pages.txt";
  const auto pages = platform::ReadWholeFile(folderPath + "\\" + pagesName);
  if (!pages) return std::nullopt;
  if (HasLineFeedsOnly(*pages)) return pagesName;
  for (const TSection& section : SplitSections(SplitTrimmedLines(pages->data(), pages->size()))) {
    if (!platform::SameTextAscii(section.Name, "Pages")) continue;
    for (int i = 1; i < section.Lines.Count(); ++i) {
      const std::string layout = section.Lines.Get(i);
      const auto bytes = platform::ReadWholeFile(folderPath + "\\" + layout);
      if (bytes && HasLineFeedsOnly(*bytes)) return layout;
    }
  }
  return std::nullopt;
}

}  // namespace mksetup
