// Running scripts for real: a script and its files are packed by mksetup in a work
// folder, the package is opened as the program's setup package, and the setup thread
// runs it in a fresh temporary prefix. The fixture stands in for the wizard: it
// records the installation directory, starts the run, and pumps the message boxes
// the thread asks on the "user-interface" thread (the test's own) while the setup
// thread waits for the answers.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <filesystem>
#include <future>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/SE_SetupThread.h"
#include "platform/Dialogs.h"
#include "platform/Registry.h"
#include "support/Recorders.h"
#include "support/TestMachine.h"

namespace engine_test {

namespace fs = std::filesystem;

struct AskedBox {
  std::string text;     // UTF-8
  std::string caption;  // UTF-8
  platform::MessageButtons buttons;
  platform::MessageIcon icon;
};

class SetupRun : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A fresh prefix, work folder and program state, for one case of a table.
  void Fresh() {
    TearDown();
    SetUp();
  }

  // Writes a file below the work folder (the script's folder).
  void WriteSource(const std::string& relative, const std::string& content);
  // Packs "setup.txt" with the script (failing the test when mksetup refuses it) and
  // opens the package as the program's: setup information, compiled lines, commands.
  // With a stub, the package is appended to a copy of it. The installation directory
  // then becomes installDir (expanded, on the test machine), as the wizard leaves it.
  void Pack(const std::string& script, const std::string& installDir = "C:\\Games\\Demo\\",
            const std::optional<std::string>& stub = std::nullopt);
  // The wizard's install step: records the installation directory, starts the run and
  // pumps message boxes until the thread lowers Running.
  void Run();

  // The Windows path on the test machine of a path written as on drive C:
  // ("C:\\Games\\Demo"): the path itself on Linux, a path inside the machine's folder
  // on Windows. Every helper below that takes a Windows path maps it so.
  std::string At(const std::string& windowsPath) const { return prefix_->Path(windowsPath); }
  // A Windows path on the host.
  fs::path Host(const std::string& windowsPath) const;
  bool HostFileExists(const std::string& windowsPath) const;
  bool HostDirExists(const std::string& windowsPath) const;
  std::string HostRead(const std::string& windowsPath) const;
  void HostWrite(const std::string& windowsPath, const std::string& content) const;
  // The run journal and the backup folder of the add-on with the prefix in the game at
  // C:\Games\Demo: paths in the program's trusted folder, which is the system's own
  // (not mapped onto the test machine on Windows).
  std::string JournalOf(const std::string& prefix) const;
  std::string BackupsOf(const std::string& prefix) const;
  // A file's content by its Windows path as the program names it; "" when unreadable.
  static std::string TrustedRead(const std::string& path);
  // The text of one of the prefix's registry files ("system.reg", "user.reg").
  std::string RegistryFile(const std::string& name) const;
  // A string value through the registry API; nothing when absent.
  std::optional<std::string> RegValue(platform::RegistryRoot root, const std::string& key,
                                      const std::string& name) const;
  // The install log at directory + prefix + "install.log", as "F item" / "R item" /
  // "D item" lines; nothing when there is no log.
  std::optional<std::vector<std::string>> InstallLog(const std::string& directory,
                                                     const std::string& prefix) const;

  // Made anew by SetUp, so each case of a table gets its own machine.
  std::optional<testing_support::TempPrefix> prefix_;
  std::optional<testing_support::TempDir> work_;
  fs::path packagePath_;
  // Answers the "user" gives, in order; a box asked with none left answers Cancel.
  std::deque<platform::MessageResult> answers_;
  std::vector<AskedBox> asked_;
  std::vector<std::pair<std::string, std::string>> reported_;  // text, stage
  std::vector<int> endedWith_;
  std::unique_ptr<testing_support::RecordingSink> sink_;
  TSetupThreadSettings settings_;
  bool threadFailed_ = false;
  // Called on the test's thread while the run goes on, once per pump.
  std::function<void()> whileRunning_;

 private:
  struct PendingBox {
    AskedBox box;
    std::promise<platform::MessageResult> answer;
  };
  void PumpBoxes();

  std::mutex boxMutex_;
  std::deque<PendingBox> pending_;
};

}  // namespace engine_test
