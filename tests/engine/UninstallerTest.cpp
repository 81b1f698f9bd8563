// The uninstaller written at the end of an installation: the program bytes of the
// running program without its package, a package of the renamed "UNINSTALL_" entries
// and a "SetupInfo" in uninstall mode, and its uninstall-key values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "SetupRunFixture.h"
#include "engine/SE_Uninstaller.h"
#include "package/ZTI_PakFile.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "script/ZTI_SetupInfo.h"
#include "support/PeBytes.h"
#include "support/HostFiles.h"

namespace engine_test {
namespace {

using testing_support::ReadHostFile;

using Bytes = std::vector<uint8_t>;

constexpr const char* kScript =
    "name \"Demo Add-on\"\n"
    "shortname Demo\n"
    "prefix Demo\n"
    "installdir $PROGRAMFILES\\Demo\\\n"
    "pages standard\n"
    "uninstallpages uninstall\n"
    "language install\\english\n"
    "uninstalllanguage uninstall\\english\n"
    "file readme.txt\n";

// A stand-in for the setup program: some bytes that look like a program.
std::string ProgramBytes(size_t size, char seed) {
  std::string bytes = "MZ";
  for (size_t i = 2; i < size; ++i) bytes += static_cast<char>(seed + i * 7 % 251);
  return bytes;
}

class UninstallerTest : public SetupRun {
 protected:
  void SetUp() override {
    SetupRun::SetUp();
    WriteSource("readme.txt", "read me");
    WriteSource("stub.exe", ProgramBytes(5000, 3));
  }

  // The entries of a package file: name -> content.
  std::vector<std::pair<std::string, Bytes>> EntriesOf(const std::string& windowsPath) {
    TPak pak;
    pak.Create(windowsPath, false, false);
    std::vector<std::pair<std::string, Bytes>> entries;
    for (size_t i = 0; i < pak.Count(); ++i) {
      EXPECT_EQ(pak.Entries()[i].Group, 0) << pak.Entries()[i].Name;
      entries.emplace_back(pak.Entries()[i].Name, pak.ReadEntry(static_cast<int>(i)).value_or(Bytes()));
    }
    return entries;
  }

  std::string Win(const fs::path& host) { return platform::WindowsPathOf(host.string()); }
};

TEST_F(UninstallerTest, TheRunWritesTheProgramWithTheUninstallEntriesRenamed) {
  Pack(kScript, "C:\\Program Files\\Demo\\", (work_->Path() / "stub.exe").string());
  settings_.programPath = Win(packagePath_);  // the running program carries the package
  Run();
  ASSERT_TRUE(reported_.empty()) << reported_[0].first;

  const std::string uninstaller = At("C:\\Program Files\\Demo\\Demo_Uninstall.exe");
  const std::string bytes = ReadHostFile(Host(uninstaller));
  const std::string stub = ReadHostFile(work_->Path() / "stub.exe");
  ASSERT_GT(bytes.size(), stub.size());
  EXPECT_EQ(bytes.substr(0, stub.size()), stub);
  EXPECT_TRUE((fs::status(Host(uninstaller)).permissions() & fs::perms::owner_exec) != fs::perms::none);

  TPak written;
  written.Create(uninstaller, false, false);
  EXPECT_EQ(written.Header().PakStart, stub.size());

  // Every "UNINSTALL_" entry of group 0 but the icon, renamed, with its content.
  std::vector<std::pair<std::string, Bytes>> expected;
  for (size_t i = 0; i < SetupPak().Count(); ++i) {
    const TPakFile& entry = SetupPak().Entries()[i];
    if (entry.Group != 0 || entry.Name.rfind("UNINSTALL_", 0) != 0 || entry.Name == "UNINSTALL_ICON.ICO")
      continue;
    expected.emplace_back(entry.Name.substr(10), SetupPak().ReadEntry(static_cast<int>(i)).value_or(Bytes()));
  }
  std::vector<std::pair<std::string, Bytes>> entries = EntriesOf(uninstaller);
  ASSERT_FALSE(entries.empty());
  const auto setupInfo = entries.back();
  entries.pop_back();
  EXPECT_EQ(entries, expected);
  std::vector<std::string> names;
  for (const auto& [name, content] : entries) names.push_back(name);
  EXPECT_NE(std::find(names.begin(), names.end(), "Pages.txt"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "LANGUAGE-uninstall\\english"), names.end());

  ASSERT_EQ(setupInfo.first, "SetupInfo");
  TSetupInfoFile info;
  info.LoadFromBuffer(setupInfo.second.data(), setupInfo.second.size());
  TSetupInfo wanted = SetupInfoFile().Info;
  wanted.Uninstall = 1;
  EXPECT_EQ(info.Info, wanted);
  EXPECT_EQ(info.Info.InstallDir, At("C:\\Program Files\\Demo\\"));
  EXPECT_EQ(SetupInfoFile().Info.Uninstall, 0);  // the installer stays an installer

  const std::string key = std::string(kUninstallKeyPath) + "Demo";
  EXPECT_EQ(RegValue(platform::RegistryRoot::LocalMachine, key, "DisplayName"),
            std::optional<std::string>("Demo"));
  EXPECT_EQ(RegValue(platform::RegistryRoot::LocalMachine, key, "UninstallString"),
            std::optional<std::string>(uninstaller));
  // Nothing is left in the temporary folder.
  std::vector<std::string> left;
  for (const platform::DirectoryEntry& entry : platform::ListDirectory(platform::TempFolder()))
    left.push_back(entry.name);
  EXPECT_EQ(left, std::vector<std::string>{}) << platform::TempFolder();
}

// The program bytes always come from the running program's own file, and so does
// their length: its own package's start, or the whole file when it carries none.
TEST_F(UninstallerTest, TheProgramPartIsMeasuredOnTheRunningProgram) {
  Pack(kScript, "C:\\Games\\Demo\\");  // the package opened, as if named on the command line
  // A running program that carries a different package.
  const std::string other = ProgramBytes(7777, 11);
  WriteSource("other.exe", other);
  {
    TPak appended;
    appended.Create(Win(work_->Path() / "other.exe"), true, false);
    const Bytes content(100000, 'x');
    appended.StoreBuffer(appended.NewEntry("Something", "", 1), content.data(), content.size());
    ASSERT_TRUE(appended.WriteTable());
  }
  const std::string plain = ProgramBytes(3333, 5);
  WriteSource("plain.exe", plain);

  const struct {
    const char* file;
    std::string programBytes;
  } cases[] = {{"other.exe", other}, {"plain.exe", plain}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string program = Win(work_->Path() / c.file);
    EXPECT_EQ(ProgramPartLength(program), uint64_t{c.programBytes.size()});
    const std::string path = WriteUninstaller(SetupPak(), SetupInfoFile().Info, program);
    const std::string bytes = ReadHostFile(Host(path));
    EXPECT_EQ(bytes.substr(0, c.programBytes.size()), c.programBytes);
    TPak written;
    written.Create(path, false, false);
    EXPECT_EQ(written.Header().PakStart, c.programBytes.size());
    EXPECT_EQ(written.Entries().back().Name, "SetupInfo");
  }
  EXPECT_FALSE(ProgramPartLength("C:\\no\\such.exe"));
}

// A signed setup makes an unsigned uninstaller: the program bytes without the
// certificate table, the security directory cleared, the uninstall package after them.
TEST_F(UninstallerTest, TheUninstallerOfASignedSetupIsAValidUnsignedProgram) {
  Pack(kScript, "C:\\Games\\Demo\\");
  for (bool plus : {false, true}) {
    SCOPED_TRACE(plus ? "PE32+" : "PE32");
    const Bytes program = testing_support::PeProgram(plus);
    Bytes file = program;
    {
      WriteSource("signed.exe", std::string(program.begin(), program.end()));
      TPak appended;
      appended.Create(Win(work_->Path() / "signed.exe"), true, false);
      const Bytes content(5000, 'x');
      appended.StoreBuffer(appended.NewEntry("Something", "", 1), content.data(), content.size());
      ASSERT_TRUE(appended.WriteTable());
    }
    const std::string packed = ReadHostFile(work_->Path() / "signed.exe");
    file.assign(packed.begin(), packed.end());
    testing_support::SignPe(file, plus);
    WriteSource("signed.exe", std::string(file.begin(), file.end()));

    const std::string path =
        WriteUninstaller(SetupPak(), SetupInfoFile().Info, Win(work_->Path() / "signed.exe"));
    const std::string bytes = ReadHostFile(Host(path));
    EXPECT_EQ(bytes.substr(0, program.size()), std::string(program.begin(), program.end()));
    EXPECT_EQ(bytes.substr(testing_support::SecurityEntryPosition(plus), 8), std::string(8, '\0'));
    TPak written;
    written.Create(path, false, false);
    ASSERT_TRUE(written.Header().IsPackage());
    EXPECT_EQ(written.Header().PakStart, program.size());
    EXPECT_EQ(written.Entries().back().Name, "SetupInfo");
  }
}

TEST_F(UninstallerTest, AnUninstallerWithoutANameIsReportedNotWrittenAsADirectory) {
  Pack("name Demo\nuninstallpages uninstall\n");
  WriteSource("program.bin", "program");
  settings_.programPath = Win(work_->Path() / "program.bin");
  Run();
  ASSERT_EQ(reported_.size(), 1u);
  EXPECT_NE(reported_[0].first.find("names no uninstaller file"), std::string::npos);
  EXPECT_EQ(endedWith_, (std::vector<int>{4}));
  // The program ends after undoing the run: the log saved before goes with it.
  EXPECT_FALSE(InstallLog("C:\\Games\\Demo\\", ""));
}

// Without a short title the values would land on the uninstall key itself, beside
// every other program's key: the uninstaller is written but not registered.
TEST_F(UninstallerTest, ASetupWithoutAShortTitleIsNotRegistered) {
  Pack("prefix Demo\nuninstallpages uninstall\n");
  WriteSource("program.bin", "program");
  settings_.programPath = Win(work_->Path() / "program.bin");
  Run();
  EXPECT_TRUE(reported_.empty());
  EXPECT_TRUE(HostFileExists("C:\\Games\\Demo\\Demo_Uninstall.exe"));
  for (const char* name : {"DisplayName", "UninstallString"})
    EXPECT_FALSE(RegValue(platform::RegistryRoot::LocalMachine, kUninstallKeyPath, name)) << name;
}

TEST(FirstIconImage, TakesTheFirstDirectoryEntrysBytesAndRefusesWhatLiesOutside) {
  // Header (reserved, type, count), one 16-byte entry, then the image.
  auto icon = [](uint16_t reserved, uint16_t type, uint16_t count, uint32_t size, uint32_t offset,
                 size_t total) {
    Bytes bytes(total, 0xAB);
    const uint16_t header[] = {reserved, type, count};
    std::memcpy(bytes.data(), header, 6);
    std::memset(bytes.data() + 6, 0, 8);
    std::memcpy(bytes.data() + 14, &size, 4);
    std::memcpy(bytes.data() + 18, &offset, 4);
    return bytes;
  };
  const struct {
    Bytes file;
    std::optional<size_t> imageSize;
  } cases[] = {
      {icon(0, 1, 1, 40, 22, 62), 40},
      {icon(0, 1, 2, 10, 50, 62), 10},
      {icon(0, 1, 1, 41, 22, 62), std::nullopt},          // runs past the end
      {icon(0, 1, 1, 8, 0xFFFFFFF0u, 62), std::nullopt},  // offset far outside
      {icon(0, 2, 1, 40, 22, 62), std::nullopt},          // a cursor file
      {icon(1, 1, 1, 40, 22, 62), std::nullopt},
      {icon(0, 1, 0, 40, 22, 62), std::nullopt},
      {icon(0, 1, 1, 0, 22, 62), std::nullopt},
      {Bytes(10, 0), std::nullopt},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto image = FirstIconImage(cases[i].file.data(), cases[i].file.size());
    EXPECT_EQ(image ? std::optional<size_t>(image->size()) : std::nullopt, cases[i].imageSize)
        << "case " << i;
  }
}

}  // namespace
}  // namespace engine_test
