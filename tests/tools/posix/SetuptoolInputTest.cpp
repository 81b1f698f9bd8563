// setuptool's readers on what is no file of their kind: a pipe or a device never
// ends, an empty or short file holds no header. Each reader says which, reads no
// further than the file's size, and ends.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/RunProgram.h"
#include "support/TestMachine.h"

namespace {

using namespace testing_support;

TEST(SetuptoolInput, PipesDevicesAndShortFilesAreRefusedBeforeAnythingIsRead) {
  TempPrefix prefix;
  TempDir dir;
  const std::string pipe = (dir.Path() / "pipe").string();
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const std::string empty = (dir.Path() / "empty.bin").string();
  const std::string shortFile = (dir.Path() / "short.bin").string();
  std::ofstream(empty, std::ios::binary).flush();
  std::ofstream(shortFile, std::ios::binary) << std::string(5, 'x');
  const struct {
    std::vector<std::string> command;
    size_t header;
  } readers[] = {
      {{"log", "show"}, 6},     {{"lang", "show"}, 2}, {{"vfs", "list"}, 308},
      {{"vfs", "verify"}, 308}, {{"ztp", "list"}, 20}, {{"pak", "list"}, 16},
      {{"pak", "verify"}, 16},  {{"info"}, 16},        {{"script", "show"}, 16},
  };
  for (const auto& reader : readers) {
    const struct {
      std::string file, says;
    } inputs[] = {
        {"/dev/zero", "/dev/zero: not a regular file\n"},
        {pipe, pipe + ": not a regular file\n"},
        {empty, empty + ": empty file\n"},
        {shortFile,
         shortFile + ": too short: 5 bytes, a header needs " + std::to_string(reader.header) + "\n"},
    };
    for (const auto& input : inputs) {
      if (input.file == shortFile && reader.header <= 5) continue;  // long enough for a header
      std::vector<std::string> args = reader.command;
      args.push_back(input.file);
      const ProgramResult r = RunProgram("setuptool", args);
      EXPECT_EQ(r.status, 2) << args[0] << " " << input.file << ": " << r.err;
      EXPECT_EQ(r.err, input.says) << args[0] << " " << input.file;
      EXPECT_EQ(r.out, "") << args[0] << " " << input.file;
    }
  }
}

}  // namespace
