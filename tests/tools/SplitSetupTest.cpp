// A setup too large for one program file, as an author makes it and a player runs it:
// mksetup --split writes the program and its data files, setuptool reads them, the
// setup installs from another folder under a browser's numbered name, its uninstaller
// stands alone, and a data file that is missing, short, changed, swapped or a pipe stops the
// setup before anything is written, naming the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <vector>

#include "package/ZTI_PakDataFiles.h"
#include "platform/Files.h"
#include "support/HostFiles.h"
#include "support/NonRegularFiles.h"
#include "support/RunProgram.h"
#include "support/TestMachine.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ProgramResult;
using testing_support::ReadHostFile;
using testing_support::RunProgram;
using testing_support::RunProgramAt;

// The program file holds the setup program and the package's table within the split
// size: a few MiB over the program's own size, which a sanitized build makes far larger.
uint64_t SplitSize() {
  const fs::path stub = testing_support::ProgramPath("setup");
  std::error_code error;
  const uint64_t program = fs::file_size(stub, error);
  return std::max<uint64_t>(4u << 20, ((error ? 0 : program) / (1u << 20) + 2) << 20);
}

const uint64_t kSplit = SplitSize();

std::string Pattern(size_t length, uint32_t seed) {
  std::string out(length, '\0');
  for (char& c : out) c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
  return out;
}

void WriteHost(const fs::path& path, const std::string& content) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

class SplitSetup : public ::testing::Test {
 protected:
  fs::path Source() const { return prefix_.DriveC() / "source"; }
  fs::path Published() const { return prefix_.DriveC() / "published"; }
  fs::path Program() const { return Published() / "Big_Setup.exe"; }
  fs::path DataFile(size_t k) const { return Published() / ("Big_Setup" + DataFileSuffix(k)); }
  fs::path Game() const { return prefix_.DriveC() / "Games" / "Big"; }
  // How the setup names a data file: on the machine's drive C:.
  std::string Named(size_t k) const { return prefix_.Path("C:\\published\\Big_Setup" + DataFileSuffix(k)); }

  // The add-on's files: some compress, some do not. (Entries large enough to be copied
  // in pieces, across data files, are installed by the benchmark of a 5 GiB add-on.)
  void MakeSource() {
    files_ = {{"readme.txt", std::string(5000, 'r')},
              {"noise.bin", Pattern(kSplit * 5 / 2, 7)},
              {"maps.txt", std::string(kSplit * 5 / 8, 'm')}};
    for (const auto& [name, content] : files_) WriteHost(Source() / "files" / name, content);
    WriteHost(Source() / "big.setup",
              "name \"Big\"\r\noutfile Big_Setup.exe\r\nprefix BG\r\ninstalldir \"" +
                  prefix_.Path("C:\\Games\\Big") +
                  "\"\r\n"
                  "pages standard\r\nuninstallpages uninstall\r\nlanguage install\\english\r\n"
                  "uninstalllanguage uninstall\\english\r\nfile files\\\r\n");
  }

  size_t Pack(const std::string& compression) {
    fs::create_directories(Published());
    const ProgramResult run =
        RunProgram("mksetup", {(Source() / "big.setup").string(), "-o", Program().string(), "--data", kData,
                               "--compression", compression, "--split", std::to_string(kSplit)});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("data files beside it"), std::string::npos) << run.out;
    size_t count = 0;
    while (fs::exists(DataFile(count + 1))) ++count;
    return count;
  }

  void ExpectInstalled(const std::string& what) {
    for (const auto& [name, content] : files_)
      EXPECT_TRUE(ReadHostFile(Game() / name) == content) << what << ": " << name;
  }

  const std::string kData = std::string(SE_SOURCE_DIR) + "/data";
  std::map<std::string, std::string> files_;
  testing_support::TempPrefix prefix_;
};

TEST_F(SplitSetup, PacksReadsInstallsAndUninstallsInEitherCompression) {
  for (const char* compression : {"zlib", "zstd"}) {
    SCOPED_TRACE(compression);
    fs::remove_all(Published());
    MakeSource();
    const size_t parts = Pack(compression);
    ASSERT_GE(parts, 2u);
    EXPECT_LE(fs::file_size(Program()), kSplit);
    for (size_t k = 1; k <= parts; ++k) EXPECT_LE(fs::file_size(DataFile(k)), kSplit) << k;

    const ProgramResult info = RunProgram("setuptool", {"pak", "info", Program().string()});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("datafile\t" + std::to_string(parts) + "\t"), std::string::npos) << info.out;
    const ProgramResult verify = RunProgram("setuptool", {"pak", "verify", Program().string()});
    EXPECT_EQ(verify.status, 0) << verify.out << verify.err;
    const fs::path extracted = prefix_.DriveC() / "extracted";
    const ProgramResult extract =
        RunProgram("setuptool", {"pak", "extract", Program().string(), extracted.string()});
    EXPECT_EQ(extract.status, 0) << extract.err;
    for (const auto& [name, content] : files_) EXPECT_TRUE(ReadHostFile(extracted / name) == content) << name;
    fs::remove_all(extracted);

    // A browser's numbered copy, started from elsewhere, finds the data files as published.
    const fs::path renamed = Published() / "Big_Setup(1).exe";
    fs::rename(Program(), renamed);
    const ProgramResult setup = RunProgramAt(renamed.string(), {"--silent"});
    ASSERT_EQ(setup.status, 0) << setup.err;
    ExpectInstalled(compression);

    // The uninstaller carries its own small package and no data files.
    const fs::path uninstaller = Game() / "BG_Uninstall.exe";
    const ProgramResult own = RunProgram("setuptool", {"pak", "info", uninstaller.string()});
    EXPECT_EQ(own.status, 0) << own.err;
    EXPECT_EQ(own.out.find("datafile"), std::string::npos) << own.out;
    const ProgramResult uninstall = RunProgramAt(uninstaller.string(), {"--silent"});
    EXPECT_EQ(uninstall.status, 0) << uninstall.err;
    for (const auto& [name, content] : files_) EXPECT_FALSE(fs::exists(Game() / name)) << name;
  }
}

TEST_F(SplitSetup, ADamagedDataFileStopsTheSetupBeforeAnythingIsWritten) {
  MakeSource();
  const size_t parts = Pack("zlib");
  ASSERT_GE(parts, 3u);  // the first two of the same size
  const fs::path pristine = prefix_.DriveC() / "pristine";
  fs::copy(Published(), pristine);
  const auto flip = [&](size_t k) {
    std::fstream file(DataFile(k), std::ios::in | std::ios::out | std::ios::binary);
    file.seekg(1000);
    const char byte = static_cast<char>(file.get() ^ 0x20);
    file.seekp(1000);
    file.put(byte);
  };
  struct Case {
    const char* what;
    std::function<void()> spoil;
    size_t named;
    const char* problem;
  };
  const std::vector<Case> cases = {
      {"missing", [&] { fs::remove(DataFile(2)); }, 2, "is missing"},
      {"one byte short", [&] { fs::resize_file(DataFile(1), fs::file_size(DataFile(1)) - 1); }, 1,
       "bytes long; the setup needs"},
      {"one byte changed", [&] { flip(parts); }, parts, "SHA-256"},
      {"two swapped",
       [&] {
         fs::rename(DataFile(1), Published() / "t");
         fs::rename(DataFile(2), DataFile(1));
         fs::rename(Published() / "t", DataFile(2));
       },
       1, "SHA-256"},
      {"a folder in its place",
       [&] {
         fs::remove(DataFile(2));
         fs::create_directory(DataFile(2));
       },
       2, "is not a regular file"},
      {"a pipe (on Windows a folder) in its place",
       [&] {
         fs::remove(DataFile(3));
         ASSERT_TRUE(testing_support::MakeNonRegularFile(DataFile(3)));
       },
       3, "is not a regular file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(Published());
    fs::copy(pristine, Published());
    c.spoil();
    const ProgramResult setup = RunProgramAt(Program().string(), {"--silent"});
    EXPECT_EQ(setup.status, 2);
    EXPECT_NE(setup.err.find("The data file \"" + Named(c.named) + "\" "), std::string::npos) << setup.err;
    EXPECT_NE(setup.err.find(c.problem), std::string::npos) << setup.err;
    EXPECT_FALSE(fs::exists(Game()));
    const ProgramResult verify = RunProgram("setuptool", {"pak", "verify", Program().string()});
    EXPECT_EQ(verify.status, 2);
    EXPECT_NE(verify.err.find(c.problem), std::string::npos) << verify.err;
  }
}

}  // namespace
