// The setup program from its start: every fixed stop, the renamed-file check, the
// language choice and the exit statuses, through the unattended view of the real
// program. (What needs the machine's registry and drives is in posix/.)
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/StartupFixture.h"

namespace {

using namespace startup_test;

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

// An uninstaller killed after its install log went, before its end: started again it
// finds the end recorded in its journal and finishes it, its own file gone at the
// finish; a journal without that end still leaves the log missing.
TEST_F(Startup, AnUninstallerWhoseEndIsRecordedFinishesItWithoutItsLog) {
  for (const bool endRecorded : {true, false}) {
    SCOPED_TRACE(endRecorded ? "end recorded" : "end not recorded");
    Package uninstaller;
    uninstaller.info.Uninstall = 1;
    const std::string journal = UninstallJournalPath(prefix_.Path("C:\\Games\\Test"), "T_");
    ASSERT_TRUE(MakeGameFolderState(prefix_.Path("C:\\Games\\Test")));
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
  for (const auto& entry : fs::recursive_directory_iterator(*platform::HostPathOf(platform::TempFolder())))
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

}  // namespace
