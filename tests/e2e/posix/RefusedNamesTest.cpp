// Names the game's files cannot take: a name longer than a game archive's (65) or game
// package's (127) records hold, a name Windows reserves for a device, a name ending in
// a dot. mksetup refuses them with the script line; the setup, given a package made
// without that check, stops before it writes anything and leaves the game byte for
// byte as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "package/ZTI_PakFile.h"
#include "platform/Files.h"
#include "support/HostFiles.h"
#include "support/RunProgram.h"
#include "support/TestMachine.h"

namespace {

namespace fs = std::filesystem;
using testing_support::HostTreeBelow;
using testing_support::ProgramResult;
using testing_support::ReadHostFile;
using testing_support::RunProgram;
using testing_support::RunProgramAt;
using testing_support::WriteHostFile;

std::string Chars(size_t count) { return std::string(count, 'n'); }

// Line 10 is the file group, 11 the archive's, 12 the package's.
constexpr const char* kScript =
    "name Names\nshortname Names\noutfile Names.exe\nprefix Names\n"
    "installdir \"C:\\Games\\Names\"\npages full\nuninstallpages uninstall\n"
    "language install\\english\nuninstalllanguage uninstall\\english\n"
    "file files\\\n"
    "vfsupdate vfs\\ data.vfs\n"
    "ztpupdate ztp\\ secret data.ztp\n";

enum class Group { Files, Archive, Package };

std::string SourceFolder(Group group) {
  return group == Group::Files ? "files" : group == Group::Archive ? "vfs" : "ztp";
}

// Host path of an entry name ("a\b" -> a/b).
fs::path HostRelative(std::string name) {
  for (char& c : name)
    if (c == '\\') c = '/';
  return fs::path(name);
}

class RefusedNames : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteHostFile(game_ / "game.exe", "the game");
    ASSERT_EQ(RunProgram("setuptool", {"vfs", "create", (game_ / "data.vfs").string(), "--block-size", "512",
                                       "--blocks", "64", "--roots", "16"})
                  .status,
              0);
    ASSERT_EQ(RunProgram("setuptool", {"ztp", "create", (game_ / "data.ztp").string()}).status, 0);
  }

  // Packs the script with one file of the name in the group's source folder (and a
  // plain file in each other one).
  ProgramResult Pack(Group group, const std::string& name, const fs::path& output) {
    fs::remove_all(work_.Path() / "src");
    for (Group g : {Group::Files, Group::Archive, Group::Package})
      WriteHostFile(work_.Path() / "src" / SourceFolder(g) / "plain.txt", "plain " + SourceFolder(g));
    WriteHostFile(work_.Path() / "src" / SourceFolder(group) / HostRelative(name), "the add-on's " + name);
    WriteHostFile(work_.Path() / "src" / "names.setup", kScript);
    return RunProgram("mksetup", {(work_.Path() / "src" / "names.setup").string(), "-o", output.string()});
  }

  // The setup as a package made without the check would be: packed with a stand-in
  // name of the same group, then written again with the entry renamed.
  fs::path PackWithoutTheCheck(Group group, const std::string& name) {
    const fs::path packed = work_.Path() / "packed" / "Names.exe";
    fs::create_directories(packed.parent_path());
    const ProgramResult made = Pack(group, "standin.txt", packed);
    EXPECT_EQ(made.status, 0) << made.err;
    const fs::path renamed = work_.Path() / "renamed" / "Names.exe";
    fs::create_directories(renamed.parent_path());
    TPak from;
    from.Create(platform::WindowsPathOf(packed.string()), false, false);
    const uint64_t programPart = from.Header().PakStart;
    std::string program = ReadHostFile(packed).substr(0, programPart);
    WriteHostFile(renamed, program);
    TPak to;
    to.Create(platform::WindowsPathOf(renamed.string()), true, false);
    for (size_t i = 0; i < from.Count(); ++i) {
      const TPakFile& entry = from.Entries()[i];
      const Bytes content = from.ReadEntry(int(i)).value_or(Bytes{});
      const bool standIn = entry.Name == "standin.txt" && entry.Group > 0;
      const int index = to.NewEntry(standIn ? name : entry.Name, "", entry.Group);
      EXPECT_TRUE(to.StoreBuffer(index, content.data(), content.size()));
    }
    EXPECT_TRUE(to.WriteTable());
    to.Close();
    fs::permissions(renamed, fs::perms::owner_exec, fs::perm_options::add);
    return renamed;
  }

  ProgramResult Install(const fs::path& setup) {
    return RunProgramAt(setup.string(), {"--silent", "--dir", "C:\\Games\\Names"});
  }

  testing_support::TempPrefix prefix_;
  testing_support::TempDir work_;
  const fs::path game_ = prefix_.DriveC() / "Games" / "Names";
};

struct NameCase {
  Group group;
  std::string name;
  std::string fault;  // in mksetup's message and the setup's; empty for a name that fits
};

const std::vector<NameCase>& Cases() {
  static const std::vector<NameCase> cases = {
      {Group::Archive, Chars(60) + ".txt", ""},
      {Group::Archive, Chars(61) + ".txt", ""},
      {Group::Archive, Chars(62) + ".txt", "a game archive's names hold at most 65"},
      {Group::Archive, "maps\\" + Chars(61) + ".txt", ""},
      {Group::Archive, "maps\\" + Chars(62) + ".txt", "a game archive's names hold at most 65"},
      {Group::Archive, Chars(66) + "\\a.txt", "a game archive's names hold at most 65"},
      {Group::Package, Chars(122) + ".txt", ""},
      {Group::Package, Chars(123) + ".txt", ""},
      {Group::Package, Chars(124) + ".txt", "a game package's names hold at most 127"},
      {Group::Package, "sub\\" + Chars(119) + ".txt", ""},
      {Group::Package, "sub\\" + Chars(120) + ".txt", "a game package's names hold at most 127"},
      {Group::Files, "nul.txt", "reserves for a device (\"nul.txt\")"},
      {Group::Files, "AUX.cfg", "reserves for a device (\"AUX.cfg\")"},
      {Group::Files, "NUL", "reserves for a device (\"NUL\")"},
      {Group::Files, "maps\\com1.map", "reserves for a device (\"com1.map\")"},
      {Group::Files, "lpt9\\x.txt", "reserves for a device (\"lpt9\")"},
      {Group::Files, "readme.", "ends in a dot or blank"},
  };
  return cases;
}

constexpr int kLineOf[] = {10, 11, 12};

TEST_F(RefusedNames, MksetupRefusesThemWithTheLineAndWritesNothing) {
  for (const NameCase& c : Cases()) {
    const fs::path output = work_.Path() / "out" / "Names.exe";
    fs::remove_all(output.parent_path());
    fs::create_directories(output.parent_path());
    const ProgramResult made = Pack(c.group, c.name, output);
    if (c.fault.empty()) {
      EXPECT_EQ(made.status, 0) << c.name << ": " << made.err;
      continue;
    }
    EXPECT_EQ(made.status, 1) << c.name;
    const std::string where = ":" + std::to_string(kLineOf[int(c.group)]) + ": ";
    EXPECT_NE(made.err.find(where), std::string::npos) << where << "\n" << made.err;
    EXPECT_NE(made.err.find(c.name + "\""), std::string::npos) << c.name << "\n" << made.err;
    EXPECT_NE(made.err.find(c.fault), std::string::npos) << c.fault << "\n" << made.err;
    EXPECT_TRUE(fs::is_empty(output.parent_path())) << c.name;
  }
}

TEST_F(RefusedNames, TheSetupStopsBeforeTheGameChangesAndNamesTheEntry) {
  for (const NameCase& c : Cases()) {
    if (c.fault.empty()) continue;
    const std::map<std::string, std::string> before = HostTreeBelow(game_);
    const fs::path setup = PackWithoutTheCheck(c.group, c.name);
    const ProgramResult run = Install(setup);
    EXPECT_EQ(run.status, 1) << c.name << "\n" << run.out << run.err;
    EXPECT_NE(run.err.find("entry \"" + c.name + "\""), std::string::npos) << c.name << "\n" << run.err;
    EXPECT_NE(run.err.find(c.fault), std::string::npos) << c.name << "\n" << run.err;
    EXPECT_EQ(HostTreeBelow(game_), before) << c.name;
  }
}

}  // namespace
