// setuptool held to little address space by ulimit (through the shell), on package
// records that claim more memory than it may take.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "gamedata/ZT_PakSystem.h"
#include "support/HostFiles.h"
#include "support/RunProgram.h"
#include "support/TestMachine.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

TEST(GameDataToolMemory, PackageExtractDoesNotTrustTheRecordsSizes) {
  TempPrefix prefix;
  TempDir dir;
  const auto Host = [&](const std::string& name) { return (dir.Path() / name).string(); };
  if (const std::string sanitizers = SE_SANITIZED; !sanitizers.empty()) {
    GTEST_SKIP() << "ulimit -v leaves no room for the shadow memory of the sanitizers (" << sanitizers << ")";
  }
  // A stored entry, then records that claim 4 GiB for their stored or full size.
  std::vector<uint8_t> file = {'n', 'o', 't', 'e', 's'};
  std::vector<uint8_t> stored = StoredFormOf("ok.txt", file)->bytes;
  const uint32_t storedSize = uint32_t(stored.size());
  TPakDirEntry ok{kPakRecordMarker, 2, 0, 0, storedSize, 5, 0, "ok.txt"};
  TPakDirEntry huge{kPakRecordMarker, 2, 0, 0, 0xFFFFFFF0u, 5, 0, "huge.txt"};
  TPakDirEntry wide{kPakRecordMarker, 2, 0, 0, storedSize, 0xFFFFFFF0u, 0, "wide.txt"};
  TPakHeader header;
  const std::vector<uint8_t> directory = EncodeDirectory({&ok, &huge, &wide}, header);
  const std::vector<uint8_t> rawHeader = EncodeHeader(header);
  stored.insert(stored.end(), directory.begin(), directory.end());
  stored.insert(stored.end(), rawHeader.begin(), rawHeader.end());
  std::ofstream(Host("claims.ztp"), std::ios::binary)
      .write(reinterpret_cast<const char*>(stored.data()), std::streamsize(stored.size()));

  // With far less memory than the claims, the tool still names each bad entry.
  const ProgramResult r =
      RunProgramAt("/bin/sh", {"-c", "ulimit -v 600000 && exec \"$SE_BIN_DIR/setuptool\" \"$@\"", "sh", "ztp",
                               "extract", Host("claims.ztp"), Host("out")});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(ReadHostFile(dir.Path() / "out" / "ok.txt"), "notes");
  const auto lines = LinesOf(r.err);
  ASSERT_EQ(lines.size(), 2u) << r.err;
  EXPECT_NE(lines[0].find("huge.txt: stored bytes lie outside the package"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("wide.txt: "), std::string::npos) << lines[1];
  EXPECT_FALSE(fs::exists(dir.Path() / "out" / "huge.txt"));
  EXPECT_FALSE(fs::exists(dir.Path() / "out" / "wide.txt"));
}

}  // namespace
