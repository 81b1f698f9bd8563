// The packaging steps' directory walk over links, which the tests make with the
// host's symbolic links (the Windows build's library cannot make them).
#include <gtest/gtest.h>

#include "engine/CompileFixture.h"

namespace engine_test {
namespace {

TEST_F(CompileTest, DirectoryWalkFollowsLinksButNotBackIntoItself) {
  WriteHostFile(base_.Path() / "tree" / "a.txt");
  WriteHostFile(base_.Path() / "tree" / "sub" / "s.txt");
  WriteHostFile(base_.Path() / "outside" / "o.txt");
  fs::create_directory_symlink("../outside", base_.Path() / "tree" / "ext");
  fs::create_directory_symlink("..", base_.Path() / "tree" / "sub" / "up");
  fs::create_directory_symlink(".", base_.Path() / "tree" / "self");
  ASSERT_TRUE(Compile("file tree\\\n"));
  EXPECT_EQ(EntryNames(1), (std::vector<std::string>{"a.txt", "ext\\o.txt", "sub\\s.txt"}));
  ASSERT_EQ(warnings_.size(), 2u);
  EXPECT_NE(warnings_[0].find("tree\\self"), std::string::npos) << warnings_[0];
  EXPECT_NE(warnings_[1].find("tree\\sub\\up"), std::string::npos) << warnings_[1];
}

}  // namespace
}  // namespace engine_test
