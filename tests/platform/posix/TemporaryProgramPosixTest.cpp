// On Linux the private folder is the user's alone (mode 0700), and an ELF program's
// copy is removed, with its folder, as soon as the program has started; a script's
// copy stays for its interpreter, which reads it by name.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/TemporaryProgram.h"
#include "support/HostFiles.h"
#include "support/TestMachine.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> PrivateFolders(const fs::path& hostTemp) {
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(hostTemp))
    if (entry.path().filename().string().rfind(kTemporaryProgramFolderPrefix, 0) == 0)
      found.push_back(entry.path());
  return found;
}

TEST(TemporaryProgramPosix, AScriptsCopyIsTheUsersAloneAndAnElfCopyGoesOnceStarted) {
  testing_support::TestMachine machine;
  const fs::path hostTemp = *HostPathOf(TempFolder());
  const fs::path mark = machine.DriveC() / "ran";
  const std::string script = "#!/bin/sh\ntouch '" + mark.string() + "'\n";
  ASSERT_TRUE(StartTemporaryProgram("run.sh", script.data(), script.size(), "")) << LastErrorText();
  for (int i = 0; i < 500 && !fs::exists(mark); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(fs::exists(mark));
  const std::vector<fs::path> folders = PrivateFolders(hostTemp);
  ASSERT_EQ(folders.size(), 1u);
  struct stat st;
  ASSERT_EQ(stat(folders[0].c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  fs::remove_all(folders[0]);

  // /bin/true is an ELF program: nothing of its copy is left.
  const std::string program = testing_support::ReadHostFile("/bin/true");
  ASSERT_TRUE(StartTemporaryProgram("true", program.data(), program.size(), "")) << LastErrorText();
  EXPECT_TRUE(PrivateFolders(hostTemp).empty());
}

}  // namespace
}  // namespace platform
