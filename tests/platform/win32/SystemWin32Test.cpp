// What the Win32 half adds to the platform contract: the registry through the system
// (inside the test machine's scratch key), MD5 through the CryptoAPI, system paths that
// leave the code page, long paths.
#include <gtest/gtest.h>

#include <string>

#include "platform/Files.h"
#include "platform/Md5.h"
#include "platform/Registry.h"
#include "platform/win32/WinText.h"
#include "support/TestMachine.h"

namespace platform {
namespace {

using testing_support::TestMachine;

std::string Hex(const Md5Digest& digest) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t byte : digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

TEST(Md5Win32, TheCryptoApiGivesTheReferenceDigests) {
  const struct {
    std::string input;
    const char* digest;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {std::string(1000, 'a'), "cabe45dcc9ae5b66ba86600cca6b8ba8"},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(Hex(Md5Of(test.input.data(), test.input.size())), test.digest) << test.input.size();
    Md5 pieces;  // the same bytes in two pieces
    pieces.Update(test.input.data(), test.input.size() / 2);
    pieces.Update(test.input.data() + test.input.size() / 2, test.input.size() - test.input.size() / 2);
    EXPECT_EQ(Hex(pieces.Finish()), test.digest);
  }
}

TEST(RegistryWin32, ValuesRoundTripEveryCodePageByteAndMissingOnesSayWhy) {
  TestMachine machine;
  auto key = RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\Caf\xE9\\Game", true);
  ASSERT_TRUE(key) << key.Problem();
  std::string every;
  for (int b = 1; b < 256; ++b) every += static_cast<char>(b);
  ASSERT_TRUE(key->WriteString("D\xE9mo", every));
  ASSERT_TRUE(key->WriteString("", "default"));
  auto again = RegistryKey::Open(RegistryRoot::CurrentUser, "software\\CAF\xC9\\game", false);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->ReadString("d\xE9mo"), every);
  EXPECT_EQ(again->ReadString(""), std::string("default"));
  const auto missing = again->ReadString("missing");
  EXPECT_FALSE(missing);
  EXPECT_NE(missing.Problem().find("\"missing\""), std::string::npos) << missing.Problem();
  EXPECT_TRUE(again->DeleteValue("D\xC9MO"));
  EXPECT_FALSE(again->ReadString("D\xE9mo"));
  EXPECT_FALSE(DeleteRegistryKey(RegistryRoot::CurrentUser, "Software\\Caf\xE9"));  // has a sub-key
  again->Close();
  key->Close();
  EXPECT_TRUE(DeleteRegistryKey(RegistryRoot::CurrentUser, "Software\\Caf\xE9\\Game"));
  const auto gone = RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\Caf\xE9\\Game", false);
  EXPECT_FALSE(gone);
  EXPECT_NE(gone.Problem().find("does not exist"), std::string::npos) << gone.Problem();
  EXPECT_FALSE(RegistryKey::Open(RegistryRoot::None, "Software", true));
}

TEST(PathsWin32, SystemPathsOutsideTheCodePageBecomeTheirShortForm) {
  TestMachine machine;
  // A folder named in Cyrillic, as a user's profile may be.
  const std::wstring wide = machine.DriveC().wstring() + L"\\\x0438\x0432\x0430\x043D";
  ASSERT_TRUE(CreateDirectoryW(wide.c_str(), nullptr));
  const std::string ansi = win32::AnsiPathFromSystem(wide);
  EXPECT_EQ(ansi.find('?'), std::string::npos) << ansi;
  ASSERT_TRUE(DirectoryExists(ansi)) << ansi;
  ASSERT_TRUE(WriteFileBytes(ansi + "\\x.txt", "x", 1));
  EXPECT_TRUE(FileExists(ansi + "\\X.TXT"));
  EXPECT_EQ(win32::AnsiPathFromSystem(L"C:\\Caf\x00E9"), "C:\\Caf\xE9");  // fits: kept as it is
}

TEST(PathsWin32, PathsLongerThanTheClassicLimitWork) {
  TestMachine machine;
  std::string path = machine.Path("C:\\");
  for (int i = 0; i < 8; ++i) {
    path += "\\" + std::string(40, char('a' + i));
    ASSERT_TRUE(MakeDirectory(path)) << path.size();
  }
  ASSERT_GT(path.size(), 300u);
  const std::string file = path + "\\data.bin";
  ASSERT_TRUE(WriteFileBytes(file, "1234", 4));
  EXPECT_EQ(ReadWholeFile(file)->size(), 4u);
  EXPECT_TRUE(CopyFileOverwriting(file, path + "\\copy.bin"));
  EXPECT_TRUE(RenameFile(path + "\\copy.bin", path + "\\moved.bin"));
  EXPECT_EQ(ListDirectory(path).size(), 2u);
  EXPECT_TRUE(DeleteFileAt(file));
  EXPECT_TRUE(DeleteFileAt(path + "\\moved.bin"));
  for (int i = 0; i < 8; ++i) {
    ASSERT_TRUE(RemoveEmptyDirectory(path)) << path.size();
    path.resize(path.rfind('\\'));
  }
}

TEST(PathsWin32, HostPathsAreWindowsPathsAndComeBackAsThemselves) {
  TestMachine machine;
  const std::string folder = machine.Path("C:\\Games");
  ASSERT_TRUE(MakeDirectory(folder));
  const auto host = HostPathOf(folder + "\\x.dat");
  ASSERT_TRUE(host);
  EXPECT_EQ(WindowsPathOf(*host), folder + "\\x.dat");
  EXPECT_EQ(WindowsPathOf("C:\\Games"), "C:\\Games");
  EXPECT_EQ(OwnExecutablePath().substr(OwnExecutablePath().size() - 4), ".exe");
}

}  // namespace
}  // namespace platform
