// Against a real wineserver: a prefix made by wineboot, a Wine program kept running in
// it. While it runs the registry belongs to the server: the setup and `setuptool reg`
// refuse to change it (exit 1, nothing written) and reading still works; once the
// server has ended, both change it again.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/Registry.h"
#include "support/RunProgram.h"
#include "support/TestMachine.h"

namespace {

namespace fs = std::filesystem;
using testing_support::RunProgram;
using testing_support::RunProgramAt;

constexpr const char* kWine = "/usr/lib/wine/wine64";
constexpr const char* kWineServer = "/usr/lib/wine/wineserver";

constexpr const char* kScript = R"(name "Reg Add-on"
shortname "Reg Add-on"
outfile Reg_Setup.exe
prefix REG
installdir "$PROGRAMFILES\Reg Game"
pages full
uninstallpages uninstall
language install\english
uninstalllanguage uninstall\english
file files\
writeregstr HKCU Software\RegAddOn Version 3.0
)";

// WINEPREFIX points at a fresh directory for the test's length.
class WinePrefix {
 public:
  WinePrefix() {
    if (const char* old = std::getenv("WINEPREFIX")) previous_ = old, hadPrevious_ = true;
    setenv("WINEPREFIX", dir_.Path().c_str(), 1);
    setenv("WINEDEBUG", "-all", 1);
    setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
  }
  ~WinePrefix() {
    if (hadPrevious_) setenv("WINEPREFIX", previous_.c_str(), 1);
    else unsetenv("WINEPREFIX");
  }
  const fs::path& Path() const { return dir_.Path(); }

 private:
  testing_support::TempDir dir_;
  std::string previous_;
  bool hadPrevious_ = false;
};

bool WaitFor(bool wanted) {
  for (int i = 0; i < 600; ++i) {
    if (platform::RegistryHeldByRunningServer() == wanted) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return false;
}

}  // namespace

TEST(WineServer, RegistryIsLeftAloneWhileWineProgramsOfThePrefixRun) {
  if (!fs::exists(kWine) || std::system((std::string(kWine) + " --version >/dev/null 2>&1").c_str()) != 0)
    GTEST_SKIP() << "Wine cannot run here (" << kWine << "): the check against a real server is skipped";
  WinePrefix prefix;
  if (std::system((std::string("timeout 600 ") + kWine + " wineboot -i >/dev/null 2>&1").c_str()) != 0 ||
      std::system((std::string(kWineServer) + " -w").c_str()) != 0)
    GTEST_SKIP() << "wineboot could not make a prefix: the check against a real server is skipped";
  EXPECT_FALSE(platform::RegistryHeldByRunningServer());
  ASSERT_EQ(RunProgram("setuptool", {"reg", "set", "HKCU\\Software\\Before", "v", "1"}).status, 0);

  // "pause" waits for a key on its input, which stays open until the test writes one.
  FILE* program = popen((std::string(kWine) + " cmd /c pause >/dev/null 2>&1").c_str(), "w");
  ASSERT_NE(program, nullptr);
  ASSERT_TRUE(WaitFor(true)) << "no server was seen for the prefix";

  auto refused = RunProgram("setuptool", {"reg", "set", "HKCU\\Software\\During", "v", "1"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("Wine programs of this prefix are running"), std::string::npos) << refused.err;
  EXPECT_EQ(RunProgram("setuptool", {"reg", "delete", "HKCU\\Software\\Before", "v"}).status, 1);
  auto read = RunProgram("setuptool", {"reg", "get", "HKCU\\Software\\Before", "v"});
  EXPECT_EQ(read.status, 0) << read.err;

  // The setup: the unattended answer is Cancel, exit 1, the value not written.
  testing_support::TempDir work;
  fs::create_directories(work.Path() / "files");
  std::ofstream(work.Path() / "reg.setup") << kScript;
  std::ofstream(work.Path() / "files" / "readme.txt") << "readme";
  const fs::path setup = work.Path() / "Reg_Setup.exe";
  ASSERT_EQ(RunProgram("mksetup", {(work.Path() / "reg.setup").string(), "-o", setup.string()}).status, 0);
  auto run = RunProgramAt(setup.string(), {"--silent", "--dir", "C:\\RegGame"});
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  EXPECT_NE(run.err.find("Wine programs of this prefix are running"), std::string::npos) << run.err;

  std::fputs("\n", program);
  pclose(program);
  ASSERT_EQ(std::system((std::string(kWineServer) + " -w").c_str()), 0);
  ASSERT_TRUE(WaitFor(false));
  EXPECT_EQ(RunProgram("setuptool", {"reg", "get", "HKCU\\Software\\RegAddOn", "Version"}).status, 1)
      << "the refused setup wrote the registry";
  run = RunProgramAt(setup.string(), {"--silent", "--dir", "C:\\RegGame"});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ(RunProgram("setuptool", {"reg", "get", "HKCU\\Software\\RegAddOn", "Version"}).out, "3.0\n");
}
