#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/CommandLine.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "support/TestMachine.h"
#include "support/HostFiles.h"

namespace platform {
namespace {

using testing_support::ReadHostFile;

namespace fs = std::filesystem;
using testing_support::TempDir;
using testing_support::TempPrefix;

void WriteText(const fs::path& path, const std::string& text, bool executable) {
  std::ofstream(path, std::ios::binary) << text;
  if (executable) fs::permissions(path, fs::perms::owner_exec, fs::perm_options::add);
}

// Polls until the process ends; gives up (and fails) only after a generous while, so a
// broken start cannot hang the test run.
uint32_t WaitForExit(ProcessHandle& process) {
  for (int i = 0; i < 6000; ++i) {
    const uint32_t code = process.ExitCode();
    if (code != kStillActive) return code;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ADD_FAILURE() << "the process did not end";
  return kStillActive;
}

bool WaitForFile(const fs::path& path) {
  for (int i = 0; i < 6000 && !fs::exists(path); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return fs::exists(path);
}

// A folder of stand-ins for wine and xdg-open that record their arguments (one a line)
// in <name>.args, put in front of PATH while the object lives.
class FakeTools {
 public:
  explicit FakeTools(bool withWine) : previous_(std::getenv("PATH") ? std::getenv("PATH") : "") {
    for (const char* name : {"wine", "xdg-open"}) {
      if (!withWine && std::string(name) == "wine") continue;
      const fs::path args = dir_.Path() / (std::string(name) + ".args");
      WriteText(dir_.Path() / name,
                "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + args.string() +
                    ".tmp'\nmv '" + args.string() + ".tmp' '" + args.string() + "'\n",
                true);
    }
    // Nothing else of the host's is on the path (a machine with Wine installed must not
    // lend its wine): only the few tools the stand-ins and helper scripts use.
    for (const char* tool : {"mv", "sleep", "cat"})
      fs::create_symlink(fs::path("/bin") / tool, dir_.Path() / tool);
    setenv("PATH", dir_.Path().c_str(), 1);
  }
  ~FakeTools() { setenv("PATH", previous_.c_str(), 1); }
  fs::path Args(const char* tool) const { return dir_.Path() / (std::string(tool) + ".args"); }

 private:
  TempDir dir_;
  std::string previous_;
};

TEST(Process, AHostProgramRunsDirectlyWithItsParametersAndReportsItsExitCode) {
  TempPrefix prefix;
  const fs::path out = prefix.DriveC() / "out.txt";
  // Written without the execute mark, as the setup writes a program it carries.
  WriteText(prefix.DriveC() / "Tool.sh",
            "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > '" + out.string() + "'\nexit 7\n",
            false);
  ProcessHandle process;
  ASSERT_TRUE(StartWithDefaultAction("C:\\TOOL.SH", "one \"two three\" fo\\\"ur \"\"", &process));
  EXPECT_TRUE(process.IsValid());
  EXPECT_EQ(WaitForExit(process), 7u);
  EXPECT_EQ(process.ExitCode(), 7u);
  EXPECT_EQ(ReadHostFile(out), "[one][two three][fo\"ur][]");
}

TEST(Process, WindowsProgramsStartThroughWineAndNeedIt) {
  TempPrefix prefix;
  WriteText(prefix.DriveC() / "Setup.EXE", "MZ\x90", false);
  {
    FakeTools tools(true);
    ProcessHandle process;
    ASSERT_TRUE(StartWithDefaultAction("C:\\setup.exe", "/S \"C:\\Program Files\"", &process));
    EXPECT_EQ(WaitForExit(process), 0u);
    EXPECT_EQ(ReadHostFile(tools.Args("wine")),
              (prefix.DriveC() / "Setup.EXE").string() + "\n/S\nC:\\Program Files\n");
  }
  FakeTools withoutWine(false);
  EXPECT_FALSE(StartWithDefaultAction("C:\\setup.exe", ""));
  EXPECT_FALSE(StartWithDefaultAction("C:\\missing.exe", ""));
  EXPECT_FALSE(StartWithDefaultAction("Q:\\x.txt", ""));
}

TEST(Process, DocumentsAndAddressesOpenThroughTheDesktop) {
  TempPrefix prefix;
  WriteText(prefix.DriveC() / "ReadMe.txt", "hello", false);
  FakeTools tools(false);
  ProcessHandle process;
  ASSERT_TRUE(StartWithDefaultAction("C:\\readme.TXT", "ignored", &process));
  EXPECT_EQ(WaitForExit(process), 0u);
  EXPECT_EQ(ReadHostFile(tools.Args("xdg-open")), (prefix.DriveC() / "ReadMe.txt").string() + "\n");
  fs::remove(tools.Args("xdg-open"));
  OpenDocument("https://example.org/addon");  // the default handler, without a wait
  ASSERT_TRUE(WaitForFile(tools.Args("xdg-open")));
  EXPECT_EQ(ReadHostFile(tools.Args("xdg-open")), "https://example.org/addon\n");
}

// Run as root through sudo, the setup opens documents and addresses as the user who
// asked for root's rights; the programs it starts keep root's rights, as they always
// had.
TEST(Process, DocumentsOpenAsTheUserWhoAskedForRootWhileProgramsKeepRoot) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can start a program as another user";
  constexpr const char* kNobody = "65534";
  TempPrefix prefix;
  TempDir tools;
  // Who ran it, into a folder that user can write.
  const fs::path seen = tools.Path() / "seen";
  fs::create_directory(seen);
  fs::permissions(tools.Path(), fs::perms::all, fs::perm_options::replace);
  fs::permissions(seen, fs::perms::all, fs::perm_options::replace);
  WriteText(tools.Path() / "xdg-open", "#!/bin/sh\nid -u > '" + seen.string() + "/xdg-open'\n", true);
  fs::permissions(tools.Path() / "xdg-open", fs::perms::all, fs::perm_options::replace);
  fs::create_symlink("/usr/bin/id", tools.Path() / "id");
  WriteText(prefix.DriveC() / "ReadMe.txt", "hello", false);
  WriteText(prefix.DriveC() / "tool.sh", "#!/bin/sh\nid -u > '" + seen.string() + "/tool'\n", true);
  const std::string previousPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (tools.Path().string() + ":/usr/bin:/bin").c_str(), 1);
  const struct {
    const char* target;
    const char* sudoUser;  // SUDO_UID, or nullptr for none
    const char* recorder;
    std::string uid;
  } cases[] = {
      {"C:\\ReadMe.txt", kNobody, "xdg-open", kNobody},
      {"https://example.org/addon", kNobody, "xdg-open", kNobody},
      {"C:\\tool.sh", kNobody, "tool", "0"},
      {"C:\\ReadMe.txt", nullptr, "xdg-open", "0"},  // no other user to be
  };
  for (const auto& c : cases) {
    if (c.sudoUser) setenv("SUDO_UID", c.sudoUser, 1);
    else unsetenv("SUDO_UID");
    ProcessHandle process;
    ASSERT_TRUE(StartWithDefaultAction(c.target, "", &process)) << c.target;
    EXPECT_EQ(WaitForExit(process), 0u) << c.target;
    EXPECT_EQ(ReadHostFile(seen / c.recorder), c.uid + "\n") << c.target;
    fs::remove(seen / c.recorder);
  }
  unsetenv("SUDO_UID");
  setenv("PATH", previousPath.c_str(), 1);
}

// A started program gets no descriptor of the setup's beyond the standard three, not
// even one opened without close-on-exec: a copy held by a child would keep the game
// folder's run lock alive after the setup ends.
TEST(Process, AStartedProgramInheritsOnlyTheStandardDescriptors) {
  TempPrefix prefix;
  const fs::path out = prefix.DriveC() / "out.txt";
  const int inheritable = open(out.parent_path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(inheritable, 3);
  const std::string fd = std::to_string(inheritable);
  WriteText(prefix.DriveC() / "fds.sh",
            "#!/bin/sh\nif [ -e /proc/$$/fd/" + fd + " ]; then echo open; else echo closed; fi > '" +
                out.string() + "'\n",
            true);
  ProcessHandle process;
  ASSERT_TRUE(StartWithDefaultAction("C:\\fds.sh", "", &process));
  EXPECT_EQ(WaitForExit(process), 0u);
  close(inheritable);
  EXPECT_EQ(ReadHostFile(out), "closed\n");
}

TEST(Process, ReleasedHandlesAndInvalidHandles) {
  TempPrefix prefix;
  WriteText(prefix.DriveC() / "wait.sh", "#!/bin/sh\nsleep 0.2\n", true);
  ProcessHandle process;
  EXPECT_FALSE(process.IsValid());
  EXPECT_EQ(process.ExitCode(), 0u);
  ASSERT_TRUE(StartWithDefaultAction("C:\\wait.sh", "", &process));
  ProcessHandle moved = std::move(process);
  EXPECT_FALSE(process.IsValid());
  EXPECT_TRUE(moved.IsValid());
  moved.Release();
  EXPECT_FALSE(moved.IsValid());
}

TEST(CommandLine, SplitsAsWindowsProgramsDo) {
  const struct {
    const char* text;
    std::vector<std::string> arguments;
  } cases[] = {
      {"", {}},
      {"  a\tb  ", {"a", "b"}},
      {"\"C:\\Program Files\\x.exe\" /s", {"C:\\Program Files\\x.exe", "/s"}},
      {"a\\\\b c\\", {"a\\\\b", "c\\"}},
      {"a\\\"b", {"a\"b"}},
      {"\"a\\\\\" b", {"a\\", "b"}},
      {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
      {"x\"y z\"w", {"xy zw"}},
      {"\"\"", {""}},
  };
  for (const auto& test : cases) EXPECT_EQ(SplitCommandLine(test.text), test.arguments) << test.text;
}

}  // namespace
}  // namespace platform
