// setuptool on files it cannot read: every command's message names the file and
// carries the system's own reason, the same words the system gives this test for the
// same file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/Files.h"
#include "support/RunProgram.h"
#include "support/TestMachine.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

// What the system says when this file is opened for reading.
std::string ReasonFor(const std::string& hostPath) {
  const platform::File file =
      platform::File::Open(platform::WindowsPathOf(hostPath), platform::OpenMode::ReadShared);
  EXPECT_FALSE(file.IsOpen()) << hostPath;
  return platform::LastErrorText();
}

TEST(SetuptoolReasons, AFileThatCannotBeReadIsNamedWithTheSystemsReason) {
  TempPrefix prefix;
  TempDir dir;
  const std::string missing = (dir.Path() / "missing.bin").string();
  const std::string folder = (dir.Path() / "a folder").string();
  fs::create_directories(folder);
  const std::string missingReason = ReasonFor(missing), folderReason = ReasonFor(folder);
  ASSERT_NE(missingReason, folderReason);
  const struct {
    std::vector<std::string> args;
    std::string file, reason;
  } cases[] = {
      {{"info", missing}, missing, missingReason},
      {{"pak", "list", folder}, folder, folderReason},
      {{"pak", "verify", missing}, missing, missingReason},
      {{"log", "show", missing}, missing, missingReason},
      {{"lang", "show", folder}, folder, folderReason},
      {{"ztp", "list", missing}, "missing.bin", missingReason},
      {{"ztp", "extract", folder, (dir.Path() / "out").string()}, "a folder", folderReason},
      {{"vfs", "list", missing}, "missing.bin", missingReason},
  };
  for (const auto& c : cases) {
    const ProgramResult r = RunProgram("setuptool", c.args);
    const std::string command = c.args[0] + " " + c.args[1];
    EXPECT_NE(r.status, 0) << command;
    EXPECT_NE(r.err.find(c.file), std::string::npos) << command << ": " << r.err;
    EXPECT_NE(r.err.find(": " + c.reason), std::string::npos) << command << ": " << r.err;
  }
}

TEST(SetuptoolReasons, AnArchiveThatCannotBeCreatedSaysWhy) {
  TempPrefix prefix;
  TempDir dir;
  const std::string inMissingFolder = (dir.Path() / "no folder" / "data.vfs").string();
  const std::string reason = ReasonFor((dir.Path() / "no folder" / "x").string());
  const struct {
    std::vector<std::string> args;
  } cases[] = {
      {{"ztp", "create", (dir.Path() / "no folder" / "data.ztp").string()}},
      {{"vfs", "create", inMissingFolder, "--block-size", "256", "--blocks", "4", "--roots", "1"}},
  };
  for (const auto& c : cases) {
    const ProgramResult r = RunProgram("setuptool", c.args);
    EXPECT_EQ(r.status, 1) << c.args[0] << ": " << r.err;
    EXPECT_NE(r.err.find(": " + reason), std::string::npos) << c.args[0] << ": " << r.err;
  }
}

}  // namespace
