#include "engine/SE_RegisterCommands.h"

#include <cxxabi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "script/ZTI_CompLines.h"

namespace {

std::string ClassName(const TCommandClass& command) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(
      abi::__cxa_demangle(typeid(command).name(), nullptr, nullptr, &status), std::free);
  return status == 0 ? name.get() : typeid(command).name();
}

// Every object sits at its table number and agrees with its row: the class, the
// keyword, the packaging-only flag, the group kind and the minimum.
TEST(RegisterCommands, CreatesEveryClassInTableOrder) {
  TCommandList list;
  RegisterCommands(list);
  RegisterCommands(list);  // a second call starts over
  ASSERT_EQ(list.Count(), kCommandCount);
  for (const TCommandInfo& row : kCommandTable) {
    const TCommandClass* command = list.Command(row.number);
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(ClassName(*command), row.className) << row.keyword;
    EXPECT_EQ(command->Keyword, row.keyword);
    EXPECT_EQ(command->Number(), row.number);
    EXPECT_EQ(command->PackagingOnly, row.packagingOnly) << row.keyword;
    EXPECT_EQ(command->FileGroupKind(), row.fileGroupKind) << row.keyword;
    EXPECT_EQ(command->MinParams(), row.minParams) << row.keyword;
  }
  EXPECT_EQ(list.Command(0), nullptr);
  EXPECT_EQ(list.Command(kCommandCount + 1), nullptr);
  EXPECT_EQ(list.Command(-1), nullptr);
}

TEST(CommandTable, KeywordsIgnoreCaseAndNumbersOutsideTheTableHaveNoRow) {
  EXPECT_EQ(CommandNumberOf("GoTo"), 1);
  EXPECT_EQ(CommandNumberOf("WRITEREGSTR_URL"), 29);
  EXPECT_EQ(CommandNumberOf("writeregstr"), 9);
  EXPECT_EQ(CommandNumberOf("goto:"), 0);
  EXPECT_EQ(CommandNumberOf(""), 0);
  EXPECT_EQ(CommandInfoOf(0), nullptr);
  EXPECT_EQ(CommandInfoOf(kCommandCount + 1), nullptr);
  int packagingOnly = 0;
  for (const TCommandInfo& row : kCommandTable) packagingOnly += row.packagingOnly;
  EXPECT_EQ(packagingOnly, 10);  // the nine of the setup information, and compression
}

}  // namespace

namespace {

TEST(GroupIsUpdate, NumbersGroupsByTheLinesThatOwnThem) {
  TCommandList list;
  RegisterCommands(list);
  TCompLines lines;
  lines.Lines = {
      TCompLine{CommandNumberOf("ztpupdate"), {"src", "pw", "game.ztp", "1"}, 0},
      TCompLine{0, {"label"}, 1},
      TCompLine{CommandNumberOf("file"), {"a.txt", "2"}, 2},  // source and group
      TCompLine{-1, {}, -1},
      TCompLine{CommandNumberOf("message"), {"x"}, 4},
      TCompLine{CommandNumberOf("vfsupdate"), {"src", "data.vfs", "3"}, 5},
      TCompLine{CommandNumberOf("ztpofficial"), {"game.ztp", "w", "t"}, 6},  // owns no group
      TCompLine{CommandNumberOf("file"), {"b.txt", "sub", "4"}, 7},
  };
  EXPECT_EQ(GroupIsUpdate(lines, list), (std::vector<bool>{false, true, false, true, false}));
  EXPECT_EQ(GroupIsUpdate(TCompLines{}, list), std::vector<bool>{false});
}

}  // namespace
