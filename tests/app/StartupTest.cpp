// The setup program from its start: every fixed stop, the renamed-file check, the
// language choice, the installation directory and its space, and the exit statuses,
// through the unattended view of the real program.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/SE_SetupMain.h"
#include "lang/ZTI_Language.h"
#include "platform/Files.h"
#include "platform/CodePage.h"
#include "platform/Registry.h"
#include "script/SE_RunJournal.h"
#include "script/SE_TrustedState.h"
#include "script/ZTI_CommandTable.h"
#include "script/ZTI_CompLines.h"
#include "script/ZTI_SetupInfo.h"
#include "support/PakBytes.h"
#include "support/RunProgram.h"
#include "support/TestMachine.h"
#include "support/HostFiles.h"

namespace {

using testing_support::ReadHostFile;

namespace fs = std::filesystem;
using testing_support::HandEntry;
using testing_support::ProgramResult;
using testing_support::StoredEntry;
using testing_support::TempPrefix;

fs::path DataDir() { return fs::path(SE_SOURCE_DIR) / "data"; }
fs::path SetupProgram() { return fs::path(SE_BINARY_DIR) / "bin" / "setup"; }

std::string AsText(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

TCompLine Line(const char* keyword, std::vector<std::string> params, int32_t index) {
  TCompLine line;
  line.Command = CommandNumberOf(keyword);
  line.Params = std::move(params);
  line.LineNo = index;
  return line;
}

// A setup package made entry by entry, so that any part can be left out or spoilt.
struct Package {
  TSetupInfo info;
  TCompLines lines;
  bool withInfo = true;
  bool withLines = true;
  std::string pages = "standard";
  std::vector<std::string> tables = {"install/english.wri", "install/czech.wri", "install/polish.wri"};
  std::vector<HandEntry> extra;

  Package() {
    info.SetupName = "Test Add-on";
    info.ShortName = "Test";
    info.SetupExeName = "Test_Setup.exe";
    info.InstallDir = "C:\\Games\\Test";
    info.UninstallPrefix = "T_";
  }

  std::vector<HandEntry> Entries() const {
    std::vector<HandEntry> entries;
    if (!pages.empty())
      for (const auto& file : fs::directory_iterator(DataDir() / "layout" / pages))
        entries.push_back(StoredEntry(file.path().filename().string(), ReadHostFile(file.path()), 0));
    for (const std::string& table : tables)
      entries.push_back(StoredEntry("LANGUAGE-" + table, ReadHostFile(DataDir() / "languages" / table), 0));
    TSetupInfoFile file;
    file.Info = info;
    if (withInfo) entries.push_back(StoredEntry("SetupInfo", AsText(file.SaveToBytes()), 0));
    if (withLines) entries.push_back(StoredEntry("CompiledLines", AsText(lines.SaveToBuffer()), 0));
    entries.insert(entries.end(), extra.begin(), extra.end());
    return entries;
  }
};

class Startup : public ::testing::Test {
 protected:
  TempPrefix prefix_;

  fs::path Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path path = prefix_.DriveC() / "setups" / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add);
    return path;
  }
  // setup PACKAGE --silent ARGS...
  ProgramResult RunWith(const Package& package, std::vector<std::string> args = {}) {
    const fs::path file = Write("package.bin", testing_support::BuildPackage(package.Entries()));
    args.insert(args.begin(), {file.string(), "--silent"});
    return testing_support::RunProgram("setup", args);
  }
  // The package appended to a copy of the setup program named so, run as it is.
  ProgramResult RunAs(const std::string& name, const Package& package, std::vector<std::string> args = {}) {
    const std::string program = ReadHostFile(SetupProgram());
    const fs::path file =
        Write(name, testing_support::BuildPackage(package.Entries(),
                                                  std::vector<uint8_t>(program.begin(), program.end())));
    args.insert(args.begin(), "--silent");
    return testing_support::RunProgramAt(file.string(), args);
  }
};

std::string TextOf(const char* table, uint16_t number) {
  TLanguages languages;
  const std::string bytes = ReadHostFile(DataDir() / "languages" / table);
  languages.AddLanguage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), table);
  languages.CurrentLanguage = 0;
  return platform::WideToUtf8(languages.GetText(number));
}

}  // namespace

TEST_F(Startup, EveryFixedStopShowsItsMessageAndExitsWith2) {
  const struct {
    const char* what;
    std::function<void(Package&)> spoil;
    const char* message;
  } cases[] = {
      {"no setup information", [](Package& p) { p.withInfo = false; },
       "Verification Error: Error: Setup Information Missing. Setup is corrupt\n"},
      {"no compiled lines", [](Package& p) { p.withLines = false; },
       "Verification Error: Error: Compiled Lines Missing. Setup is corrupt\n"},
      {"unreadable compiled lines",
       [](Package& p) {
         p.withLines = false;
         p.extra.push_back(StoredEntry("CompiledLines", std::string("\x05\x00", 2), 0));
       },
       "Verification Error: Error: Compiled Lines Corrupt. Setup is corrupt\n"},
      {"uninstaller without its log", [](Package& p) { p.info.Uninstall = 1; },
       "Setup Error: Error: install log is missing\n"},
      {"no installation directory", [](Package& p) { p.info.InstallDir.clear(); },
       "Error: Error: Registry Key Not Found. Please Install Software\n"},
      {"no pages", [](Package& p) { p.pages.clear(); },
       "Missing File: Error File Missing: Pages.txt\n"
       "Setup Error: Error: The setup has no wizard pages (Pages.txt names none). Setup is corrupt\n"},
      {"a damaged entry",
       [](Package& p) {
         HandEntry bad = StoredEntry("readme.txt", "hello", 0);
         bad.crcOverride = true;
         bad.crc = 1;
         p.extra.push_back(bad);
       },
       nullptr},
  };
  for (const auto& c : cases) {
    Package package;
    c.spoil(package);
    const ProgramResult run = RunWith(package);
    EXPECT_EQ(run.status, 2) << c.what << "\n" << run.err;
    if (c.message) {
      EXPECT_EQ(run.err, c.message) << c.what;
    } else {
      const size_t index = package.Entries().size() - 1;
      EXPECT_EQ(run.err, "Verification Error: Error: Verification Failed. Setup is corrupt.\nID: " +
                             std::to_string(index) + " Filename: readme.txt\n");
    }
    EXPECT_EQ(run.out, "") << c.what;
  }
}

TEST_F(Startup, APackageWithoutItsMarkOrWithAShortTableStops) {
  const fs::path text = Write("notes.txt", {'h', 'e', 'l', 'l', 'o'});
  ProgramResult run = testing_support::RunProgram("setup", {text.string(), "--silent"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "Error: Invalid Setup Header. No Contents or Corrupted Contents.\n");

  // The header counts one entry more than the table holds.
  Package package;
  const auto entries = package.Entries();
  const fs::path cut =
      Write("cut.bin", testing_support::BuildPackage(entries, {}, uint16_t(entries.size() + 1)));
  run = testing_support::RunProgram("setup", {cut.string(), "--silent"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "Verification Error: Error: Verification Failed. Setup is corrupt.\nID: " +
                         std::to_string(entries.size()) + " Filename: \n");
}

// A package of a layout newer than this program (header Version 3) is not called
// corrupt: the player is told to use the setup program that came with it.
TEST_F(Startup, APackageFromANewerPackagingToolSaysSo) {
  Package package;
  std::vector<uint8_t> bytes = testing_support::BuildPackage(package.Entries());
  bytes[bytes.size() - 16 + 4] = 3;
  const fs::path newer = Write("newer.bin", bytes);
  const ProgramResult run = testing_support::RunProgram("setup", {newer.string(), "--silent"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(
      run.err,
      "Error: This setup was made by a newer packaging tool. It cannot be read by this program: use the "
      "setup program that came with it.\n");
  EXPECT_EQ(run.out, "");
}

TEST_F(Startup, ARenamedSetupIsRefusedUnlessABrowserNumberedIt) {
  Package package;
  const struct {
    const char* name;
    bool accepted;
  } cases[] = {
      {"Test_Setup.exe", true},    {"TEST_SETUP.EXE", true},      {"Test_Setup(1).exe", true},
      {"test_setup[3].exe", true}, {"Test_Setup(10).exe", false}, {"Test_Setup (1).exe", false},
      {"Other.exe", false},
  };
  for (const auto& c : cases) {
    const ProgramResult run = RunAs(c.name, package);
    EXPECT_EQ(run.status, c.accepted ? 0 : 2) << c.name << "\n" << run.err;
    if (!c.accepted) {
      EXPECT_EQ(run.err, std::string("Error: Error: Setup`s filename has been renamed\n\nExpected: \n"
                                     "Test_Setup.exe\n\nFound: \n") +
                             c.name + "\n");
    }
    fs::remove(prefix_.DriveC() / "setups" / c.name);
  }
  // A package named on the command line is not checked.
  EXPECT_EQ(RunWith(package).status, 0);
}

TEST_F(Startup, TheLanguageFollowsTheIdentifierWithTheFirstTableAsFallback) {
  Package package;
  package.lines.Lines = {Line("message", {"<LANG21>"}, 0)};
  const struct {
    const char* lang;
    const char* table;
  } cases[] = {
      {"0405", "install/czech.wri"},
      {"0415", "install/polish.wri"},
      {"0809", "install/english.wri"},
      {"0407", "install/english.wri"},  // German: no table lists it, the first one is used
  };
  for (const auto& c : cases) {
    const ProgramResult run = RunWith(package, {"--lang", c.lang});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("status\t0%\t" + TextOf(c.table, 21) + "\n"), std::string::npos) << c.lang << "\n"
                                                                                            << run.out;
  }
  package.tables = {"install/polish.wri", "install/english.wri"};
  const ProgramResult run = RunWith(package, {"--lang", "0407"});
  EXPECT_NE(run.out.find(TextOf("install/polish.wri", 21)), std::string::npos) << run.out;
}

TEST_F(Startup, TheInstallationDirectoryComesFromTheRegistryOrTheSetupItself) {
  Package package;
  package.info.InstallDirRegKey = {1, "Software\\Test Game", "Path"};
  package.info.InstallDir = "$PROGRAMFILES\\Test Game";
  package.lines.Lines = {Line("createdirectory", {"$INSTDIR\\Saves"}, 0)};

  // No value: the setup's own directory, with its variable; the drive is measured
  // after expanding it, so the ready page lets the installation go on.
  ProgramResult run = RunWith(package);
  EXPECT_EQ(run.status, 0) << run.err << run.out;
  EXPECT_TRUE(fs::is_directory(prefix_.DriveC() / "Program Files" / "Test Game" / "Saves"));

  // An empty value keeps the setup's own directory too.
  auto key = platform::RegistryKey::Open(platform::RegistryRoot::CurrentUser, "Software\\Test Game", true);
  ASSERT_TRUE(key->WriteString("Path", ""));
  fs::remove_all(prefix_.DriveC() / "Program Files" / "Test Game");
  run = RunWith(package);
  EXPECT_TRUE(fs::is_directory(prefix_.DriveC() / "Program Files" / "Test Game" / "Saves"));

  ASSERT_TRUE(key->WriteString("Path", "C:\\Games\\Found"));
  run = RunWith(package);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::is_directory(prefix_.DriveC() / "Games" / "Found" / "Saves"));

  // --dir wins over both.
  run = RunWith(package, {"--dir", "C:\\Chosen"});
  EXPECT_TRUE(fs::is_directory(prefix_.DriveC() / "Chosen" / "Saves"));

  // With neither a directory of its own nor a registry value the setup stops, unless
  // the command line chose one.
  package.info.InstallDir.clear();
  ASSERT_TRUE(key->DeleteValue("Path"));
  run = RunWith(package);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "Error: Error: Registry Key Not Found. Please Install Software\n");
  run = RunWith(package, {"--dir", "C:\\Given"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::is_directory(prefix_.DriveC() / "Given" / "Saves"));
}

// An uninstaller killed after its install log went, before its end: started again it
// finds the end recorded in its journal and finishes it, its own file gone at the
// finish; a journal without that end still leaves the log missing.
TEST_F(Startup, AnUninstallerWhoseEndIsRecordedFinishesItWithoutItsLog) {
  for (const bool endRecorded : {true, false}) {
    SCOPED_TRACE(endRecorded ? "end recorded" : "end not recorded");
    Package uninstaller;
    uninstaller.info.Uninstall = 1;
    const std::string journal = UninstallJournalPath("C:\\Games\\Test", "T_");
    ASSERT_TRUE(MakeGameFolderState("C:\\Games\\Test"));
    TRunJournalFile file;
    ASSERT_TRUE(file.Create(journal));
    ASSERT_TRUE(file.Append({'B', {"0123456789abcdef0123456789abcdef"}}, true));
    if (endRecorded) {
      ASSERT_TRUE(file.Append({'E', {}}, true));
    }
    file.Close();
    const ProgramResult run = RunWith(uninstaller);
    if (!endRecorded) {
      EXPECT_EQ(run.status, 2);
      EXPECT_EQ(run.err, "Setup Error: Error: install log is missing\n");
      EXPECT_TRUE(platform::FileExists(journal));
      continue;
    }
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("interrupted uninstallation"), std::string::npos) << run.err;
    EXPECT_FALSE(platform::FileExists(journal));
    EXPECT_FALSE(fs::exists(prefix_.DriveC() / "setups" / "package.bin"));
  }
}

TEST_F(Startup, ExitStatusesTellHowTheRunEnded) {
  Package failing;
  failing.lines.Lines = {Line("failure", {}, 0)};
  ProgramResult run = RunWith(failing);
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.out.find("page\t3\tfinish"), std::string::npos) << run.out;

  // Not enough space: a file group on a drive that has none (drive Q: of the prefix
  // leads to the host's /proc, whose file system has no free block).
  fs::create_directory_symlink("/proc", prefix_.Root() / "dosdevices" / "q:");
  Package big;
  big.extra.push_back(StoredEntry("big.dat", std::string(2048, 'x'), 1));
  big.lines.Lines = {Line("file", {"big.dat", "1"}, 0)};
  run = RunWith(big, {"--dir", "Q:\\Games"});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.err, "Not enough free space in Q:\\Games\\: 2.00 KB required, 0.00 Bytes available\n");
  fs::remove(prefix_.Root() / "dosdevices" / "q:");

  // The directory page refuses a drive that cannot take the installation.
  Package withDirectoryPage;
  withDirectoryPage.pages = "full";
  run = RunWith(withDirectoryPage, {"--dir", "Q:\\Games"});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.err, "Cannot install into Q:\\Games: its drive is missing, a CD-ROM or a RAM disk\n");
  EXPECT_NE(run.out.find("page\t2\tinstalldir\n"), std::string::npos) << run.out;

  // Pages that end before a finish page: the run leaves through the quit question.
  Package shortList;
  shortList.extra.push_back(StoredEntry("Pages.txt", "[Pages]\rlayout.txt\r[PageTypes]\rWelcome", 0));
  shortList.pages.clear();
  shortList.extra.push_back(
      StoredEntry("layout.txt", ReadHostFile(DataDir() / "layout/standard/layout.txt"), 0));
  run = RunWith(shortList);
  EXPECT_EQ(run.status, 3) << run.err;
  EXPECT_EQ(run.err, "Quit: Are you sure you want to quit the installation?\n");
  EXPECT_EQ(run.out, "page\t0\twelcome\n");
}

TEST_F(Startup, AnUnexpectedErrorEndsInTheErrorReport) {
  Package package;
  // A language table of one line cannot be read.
  package.extra.push_back(StoredEntry("LANGUAGE-install\\broken",
                                      std::string("\xFF\xFE"
                                                  "B\0",
                                                  4),
                                      0));
  const ProgramResult run = RunWith(package);
  EXPECT_EQ(run.status, 4) << run.err;
  bool reported = false;
  for (const auto& entry : fs::recursive_directory_iterator(prefix_.DriveC() / "users"))
    if (entry.path().filename().string().rfind("ErrorLog", 0) == 0) reported = true;
  EXPECT_TRUE(reported) << run.err;
}

TEST_F(Startup, CommandLineMistakesStopBeforeAnything) {
  const ProgramResult run = testing_support::RunProgram("setup", {"--lang", "german"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("usage: setup [PACKAGE] [--silent] [--dir DIR] [--lang HEX]"), std::string::npos);
}

TEST(PackageArgument, OnlyAProgramWithoutAVouchedForPackageOpensAnother) {
  TSetupOptions named;
  named.package = "C:\\Downloads\\evil.pak";
  const struct {
    const TSetupOptions options;
    bool carriesOwnPackage;
    bool refused;
  } cases[] = {
      {named, true, true},             // a (signed, elevated) setup given another package
      {named, false, false},           // the bare program
      {TSetupOptions{}, true, false},  // a setup run as it is
  };
  for (const auto& c : cases) {
    const std::string mistake = PackageArgumentMistake(c.options, c.carriesOwnPackage);
    EXPECT_EQ(!mistake.empty(), c.refused) << mistake;
    if (c.refused) {
      EXPECT_NE(mistake.find("carries its own package"), std::string::npos) << mistake;
      EXPECT_NE(mistake.find("C:\\Downloads\\evil.pak"), std::string::npos) << mistake;
    }
  }
}
