// The check a run makes before it changes anything: every entry of every grouping
// line's group must be writable where the line puts it. It answers on both systems
// without touching a file (on Windows an entry named like a device hung the run).
#include <gtest/gtest.h>

#include "engine/SE_EntryNameCheck.h"
#include "package/ZTI_PakFile.h"
#include "platform/Files.h"
#include "script/ZTI_CommandTable.h"
#include "script/ZTI_CompLines.h"
#include "support/PakBytes.h"
#include "support/TestMachine.h"

namespace {

using namespace testing_support;

TCompLine Line(const char* keyword, std::vector<std::string> params) {
  return TCompLine{CommandNumberOf(keyword), std::move(params), 0};
}

TEST(EntryNameCheck, TheFirstEntryItsTargetCannotTakeIsNamedWithTheTarget) {
  TempPrefix machine;
  const std::string package = machine.Path("C:\\setup.pkg");
  TCompLines lines;
  lines.Lines = {Line("message", {"hello"}), Line("file", {"files\\", "1"}),
                 Line("vfsupdate", {"vfs\\", "data.vfs", "2"}),
                 Line("ztpupdate", {"ztp\\", "pw", "data.ztp", "3"})};
  const std::string archiveName(66, 'a'), packageName(128, 'p');
  const struct {
    std::string name;
    uint16_t group;
    std::optional<std::string> refusal;
  } cases[] = {
      {"readme.txt", 1, std::nullopt},
      {"nul.txt", 0, std::nullopt},  // group 0 is the setup's own, never written as a file
      {"nul.txt", 4, std::nullopt},  // a group no line owns
      {"nul.txt", 1,
       "The setup package's entry \"nul.txt\" is a name Windows reserves for a device (\"nul.txt\")."},
      {"maps\\CON", 1,
       "The setup package's entry \"maps\\CON\" is a name Windows reserves for a device (\"CON\")."},
      {"nul.txt", 2, std::nullopt},  // inside an archive any name of its length is fine
      {std::string(65, 'a'), 2, std::nullopt},
      {archiveName, 2,
       "The setup package's entry \"" + archiveName + "\" for data.vfs has a part of 66 characters (\"" +
           archiveName + "\"); a game archive's names hold at most 65."},
      {std::string(127, 'p'), 3, std::nullopt},
      {packageName, 3,
       "The setup package's entry \"" + packageName +
           "\" for data.ztp is 128 characters long; a game package's names hold at most 127."},
  };
  for (const auto& c : cases) {
    const Bytes bytes = BuildPackage({StoredEntry("fine.txt", "1", 1), StoredEntry(c.name, "2", c.group)});
    ASSERT_TRUE(platform::WriteFileBytes(package, bytes.data(), bytes.size()));
    TPak pak;
    pak.Create(package, false, false);
    EXPECT_EQ(FirstUnwritableEntry(lines, pak), c.refusal) << c.name << " in group " << c.group;
  }
}

}  // namespace
