// The folder tree of the installation-directory page.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/TestMachine.h"
#include "ui/SE_FolderTree.h"

namespace {

std::vector<std::string> Paths(TFolderTree& tree) {
  std::vector<std::string> paths;
  for (TFolderNode* node : tree.AllNodes()) paths.push_back(node->Path.empty() ? node->Text : node->Path);
  return paths;
}

}  // namespace

TEST(FolderTree, StartsWithTheDesktopTheComputerAndItsDrives) {
  testing_support::TempPrefix prefix;
  TFolderTree tree;
  EXPECT_EQ(Paths(tree), (std::vector<std::string>{"Desktop", "My Computer", "C:\\", "Z:\\"}));
  EXPECT_EQ(tree.Selected(), nullptr);
}

TEST(FolderTree, MovingCutsBackToAnExistingFolderAndSelectsIt) {
  testing_support::TempPrefix prefix;
  std::filesystem::create_directories(prefix.DriveC() / "Games" / "Demo Game");
  TFolderTree tree;
  int selections = 0;
  tree.OnUserSelect = [&] { ++selections; };

  tree.MoveToPath("c:\\games\\demo game\\Maps\\New\\", false);
  EXPECT_EQ(tree.SelectedPath(), "C:\\Games\\Demo Game\\");  // the nodes' own spelling
  // The way down was listed, not opened.
  EXPECT_FALSE(tree.AllNodes()[2]->Expanded);

  tree.MoveToPath("Q:\\nowhere", false);  // no such drive: nothing happens
  EXPECT_EQ(tree.SelectedPath(), "C:\\Games\\Demo Game\\");
  tree.MoveToPath("", false);
  EXPECT_EQ(tree.SelectedPath(), "C:\\Games\\Demo Game\\");
  EXPECT_EQ(selections, 0);  // moving is never the user's choice
}

TEST(FolderTree, MovingWithExpandingOpensNodeTwoAndThePrefixes) {
  testing_support::TempPrefix prefix;
  std::filesystem::create_directories(prefix.DriveC() / "Games" / "Demo");
  std::filesystem::create_directories(prefix.DriveC() / "Apps");
  TFolderTree tree;
  tree.MoveToPath("C:\\Games\\Demo\\", true);
  // Node 2 is C:, which is also the first drive, so the prefix walk stops after it.
  TFolderNode* c = tree.AllNodes()[2];
  EXPECT_EQ(c->Path, "C:\\");
  EXPECT_TRUE(c->Expanded);
  TFolderNode* games = nullptr;
  for (auto& child : c->Children)
    if (child->Text == "Games") games = child.get();
  ASSERT_NE(games, nullptr);
  EXPECT_FALSE(games->Expanded);
  EXPECT_EQ(tree.SelectedPath(), "C:\\Games\\Demo\\");

  // A user's pick raises the window's event once.
  int selections = 0;
  tree.OnUserSelect = [&] { ++selections; };
  tree.UserSelect(*games);
  tree.UserSelect(*games);
  EXPECT_EQ(selections, 1);
  EXPECT_EQ(tree.SelectedPath(), "C:\\Games\\");
}
