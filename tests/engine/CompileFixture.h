// Running the packaging steps as the packaging tool runs them: a script is parsed
// into lines and compiled over the registered command list, with a base folder for
// the script's files and a data folder, and the compiler's notices and warnings kept.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/SE_RegisterCommands.h"
#include "platform/Files.h"
#include "script/ZTI_CompilerThread.h"
#include "script/ZTI_ScriptText.h"
#include "support/TestMachine.h"

namespace engine_test {

namespace fs = std::filesystem;

inline void WriteHostFile(const fs::path& path, const std::string& content = "x") {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

class CompileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterCommands(commands_);
    compiler_.BaseDir = platform::WindowsPathOf(base_.Path().string());
    compiler_.DataDir = platform::WindowsPathOf(data_.Path().string());
    compiler_.OnNotice = [this](const std::string& text) { notices_.push_back(text); };
    compiler_.OnWarning = [this](const std::string& text) { warnings_.push_back(text); };
  }

  // Loads the script and runs every packaging step; the result of CompileAll.
  bool Compile(const std::string& script) {
    const auto fault = ParseScriptText(script, compiler_.Lines);
    EXPECT_FALSE(fault) << (fault ? fault->text : "");
    return compiler_.CompileAll(commands_);
  }

  const std::vector<std::string>& Params(int line) { return compiler_.Lines.Lines.at(line).Params; }

  // The entry names of a group, and the host file each comes from (relative to base).
  std::vector<std::string> EntryNames(int group) {
    std::vector<std::string> names;
    for (const TFile& file : compiler_.FileList.Groups.at(group).Files) {
      EXPECT_EQ(file.Group, group);
      names.push_back(file.EntryName);
    }
    return names;
  }

  std::string Win(const fs::path& host) { return platform::WindowsPathOf(host.string()); }

  testing_support::TempPrefix prefix_;
  testing_support::TempDir base_, data_;
  TCommandList commands_;
  TCompiler compiler_;
  std::vector<std::string> notices_, warnings_;
};

}  // namespace engine_test
