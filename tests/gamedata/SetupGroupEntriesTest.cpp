// A group of the setup package as the game-data updates read it: what start-up
// verified and kept is handed out once, without reading the package again.
#include <gtest/gtest.h>

#include <algorithm>

#include "gamedata/ZT_GroupEntries.h"
#include "package/ZTI_PakFile.h"
#include "package/ZTI_PakVerify.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "support/PakBytes.h"
#include "support/TestMachine.h"

namespace {

using namespace testing_support;

TEST(SetupGroupEntries, KeptContentIsUsedOnceThenThePackageIsReadAgain) {
  TempPrefix prefix;
  const std::string path = prefix.Path("C:\\setup.exe");
  const Bytes package = BuildPackage({StoredEntry("SetupInfo", "info", 0), StoredEntry("a.txt", "checked", 2),
                                      CompressedEntry("b.txt", std::string(400, 'b'), 2)});
  ASSERT_TRUE(platform::WriteFileBytes(path, package.data(), package.size()));
  TPak pak;
  pak.Create(path, false, false);
  VerifyEntries(pak, {2, &pak.VerifiedContents(), UINT64_MAX},
                [](int, const TEntryVerdict&) { return true; });
  // The stored bytes change after the check, where the system lets a writer in while
  // the package is open (Windows shuts writers out).
  Bytes changed = package;
  const std::string checked = "checked";
  const auto at = std::search(changed.begin(), changed.end(), checked.begin(), checked.end());
  ASSERT_NE(at, changed.end());
  *at = 'X';
  const bool rewritten = platform::WriteFileBytes(path, changed.data(), changed.size());

  TSetupGroupEntries group(pak, 2);
  ASSERT_EQ(group.Count(), 2u);
  EXPECT_EQ(group.Content(0), Bytes(checked.begin(), checked.end()));
  EXPECT_EQ(group.Content(1), Bytes(400, 'b'));
  EXPECT_EQ(pak.VerifiedContents().KeptBytes(), 0u);
  if (rewritten) {
    EXPECT_THROW(group.Content(0), platform::ESetupError);  // read again: the checksum no longer matches
  } else {
    EXPECT_EQ(group.Content(0), Bytes(checked.begin(), checked.end()));  // read again, unchanged
  }
  EXPECT_EQ(group.Content(1), Bytes(400, 'b'));
}

}  // namespace
