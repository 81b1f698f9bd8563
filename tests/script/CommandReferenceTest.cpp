// The script reference made from the command table: the README's table is the one
// the table makes, and every command is in the reference with its parameters.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "script/SE_CommandReference.h"
#include "script/ZTI_CommandTable.h"

namespace {

const char kBegin[] = "<!-- script commands: made from src/script/ZTI_CommandTable.h -->\n";
const char kEnd[] = "<!-- end of script commands -->";

std::string ReadmeText() {
  std::ifstream in(std::string(SE_SOURCE_DIR) + "/README.md", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(CommandReference, TheReadmesTableIsTheOneTheCommandTableMakes) {
  const std::string readme = ReadmeText();
  const size_t begin = readme.find(kBegin);
  const size_t end = readme.find(kEnd);
  ASSERT_NE(begin, std::string::npos) << "README.md lacks: " << kBegin;
  ASSERT_NE(end, std::string::npos) << "README.md lacks: " << kEnd;
  const size_t start = begin + sizeof kBegin - 1;
  ASSERT_LT(start, end);
  EXPECT_EQ(readme.substr(start, end - start), CommandReferenceMarkdown())
      << "paste this between the markers in README.md:\n"
      << CommandReferenceMarkdown();
}

TEST(CommandReference, EveryCommandIsListedWithItsParameters) {
  const std::string text = CommandReferenceText();
  const std::string markdown = CommandReferenceMarkdown();
  for (const TCommandInfo& info : kCommandTable) {
    std::string usage(info.keyword);
    if (!info.signature.empty()) (usage += ' ') += info.signature;
    EXPECT_NE(text.find("  " + usage + "  "), std::string::npos) << usage;
    EXPECT_NE(markdown.find("| `" + usage + "` | " + std::string(info.summary)), std::string::npos) << usage;
    EXPECT_FALSE(info.summary.empty()) << info.keyword;
  }
  // One line each, in number order.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
            kCommandCount + static_cast<int>(kStoreDirectiveTable.size()));
  EXPECT_LT(text.find("  goto LABEL"), text.find("  execute PROGRAM [ARGS]"));
}

}  // namespace
