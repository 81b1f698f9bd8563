// A program started from a private copy: the copy runs from a folder of its own and
// never takes, changes or starts a name someone made first in the temporary folder.
#include "platform/TemporaryProgram.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/Errors.h"
#include "platform/Files.h"
#include "support/TestMachine.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

fs::path BinFolder() {
  const char* bin = std::getenv("SE_BIN_DIR");
  return fs::path(bin ? bin : SE_BINARY_DIR "/bin");
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(TemporaryProgram, ACopyRunsFromAPrivateFolderAndLeavesPlantedFilesAlone) {
  testing_support::TestMachine machine;
  // The finaliser itself serves as the program: it deletes the file it is given.
  fs::path finaliser = BinFolder() / "finalise";
  if (!fs::exists(finaliser)) finaliser += ".exe";
  const std::string bytes = ReadAll(finaliser);
  ASSERT_FALSE(bytes.empty()) << finaliser;
  std::ofstream(*HostPathOf(machine.Path("C:\\victim.txt"))) << "x";
  // Someone else made the fixed name first, and a folder of the private folders' kind.
  const std::string temp = TempFolder();
  const fs::path hostTemp = *HostPathOf(temp);
  std::ofstream(hostTemp / "FINALISE.exe") << "planted";
  fs::create_directory(hostTemp / (std::string(kTemporaryProgramFolderPrefix) + "0000000000000000"));
  const auto before = ListDirectory(temp).size();

  ASSERT_TRUE(StartTemporaryProgram("FINALISE.exe", bytes.data(), bytes.size(),
                                    "\"" + machine.Path("C:\\victim.txt") + "\""))
      << LastErrorText();
  for (int i = 0; i < 500 && FileExists(machine.Path("C:\\victim.txt")); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));

  EXPECT_FALSE(FileExists(machine.Path("C:\\victim.txt"))) << "the copy did not run";
  EXPECT_EQ(ReadAll(hostTemp / "FINALISE.exe"), "planted");
  // The planted folder is not taken: the copy made one of its own.
  EXPECT_TRUE(ListDirectory(temp + "\\" + kTemporaryProgramFolderPrefix + "0000000000000000").empty());
  EXPECT_GE(ListDirectory(temp).size(), before);
}

TEST(TemporaryProgram, NothingIsLeftWhenTheCopyCannotStart) {
  testing_support::TestMachine machine;
  const std::string temp = TempFolder();
  const auto before = ListDirectory(temp).size();
  // A name with no program behind it and no way to start it.
  EXPECT_FALSE(StartTemporaryProgram("bad\\name.exe", "MZ", 2, ""));
  EXPECT_EQ(ListDirectory(temp).size(), before);
}

}  // namespace
}  // namespace platform
