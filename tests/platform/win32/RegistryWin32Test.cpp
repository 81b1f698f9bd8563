// The registry on the Win32 API: values the system stores in forms the program never
// writes itself (REG_EXPAND_SZ, strings without their 0, other types), key paths as
// scripts spell them, keys this user may only read, the reasons failures give, and the
// test machine's redirection of HKLM and HKCU into its scratch key.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Registry.h"
#include "platform/win32/WinText.h"
#include "support/TestMachine.h"

namespace platform {
namespace {

using testing_support::TestMachine;

constexpr char kGameKey[] = "Software\\SE Game";

// Stores raw bytes of any type, as another program might have.
void StoreRaw(const std::string& path, const wchar_t* name, DWORD type, const void* data, size_t size) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, win32::Wide(path).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

void StoreRawText(const std::string& path, const wchar_t* name, DWORD type, const std::wstring& bytes,
                  size_t size) {
  StoreRaw(path, name, type, bytes.data(), size);
}

TEST(RegistryWin32, StringsAreReadAsStoredWhateverTheSystemHolds) {
  TestMachine machine;
  ASSERT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, kGameKey, true).Ok());
  const std::wstring abc = L"abc";
  const std::wstring embedded(L"ab\0cd", 5);
  const std::wstring path = L"%SystemRoot%\\Fonts";
  const std::wstring russian = L"\x0416\x0443\x043A";
  const std::wstring big(100000, L'x');
  const struct {
    const wchar_t* name;
    DWORD type;
    const std::wstring* text;
    size_t bytes;  // what is stored of the text
    const char* expected;
  } cases[] = {
      {L"with nul", REG_SZ, &abc, 8, "abc"},
      {L"without nul", REG_SZ, &abc, 6, "abc"},
      {L"odd last byte", REG_SZ, &abc, 5, "ab"},
      {L"empty", REG_SZ, &abc, 0, ""},
      {L"embedded nul", REG_SZ, &embedded, 10, "ab"},
      {L"expand", REG_EXPAND_SZ, &path, (path.size() + 1) * 2, "%SystemRoot%\\Fonts"},
      {L"expand without nul", REG_EXPAND_SZ, &path, path.size() * 2, "%SystemRoot%\\Fonts"},
      {L"outside the code page", REG_SZ, &russian, 8, "???"},
  };
  for (const auto& test : cases) StoreRawText(kGameKey, test.name, test.type, *test.text, test.bytes);
  StoreRawText(kGameKey, L"big", REG_SZ, big, big.size() * 2);

  const auto key = RegistryKey::Open(RegistryRoot::CurrentUser, kGameKey, false);
  ASSERT_TRUE(key) << key.Problem();
  for (const auto& test : cases) {
    const auto value = key->ReadString(win32::Ansi(test.name));
    ASSERT_TRUE(value) << win32::Ansi(test.name) << ": " << value.Problem();
    EXPECT_EQ(*value, test.expected) << win32::Ansi(test.name);
  }
  EXPECT_EQ(key->ReadString("big"), std::string(100000, 'x'));
}

TEST(RegistryWin32, OtherTypesAreNoStringsAndSaySo) {
  TestMachine machine;
  ASSERT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, kGameKey, true).Ok());
  const DWORD number = 7;
  const wchar_t multi[] = L"one\0two\0";
  const BYTE binary[] = {'a', 0, 'b', 0, 0, 0};
  const struct {
    const wchar_t* name;
    DWORD type;
    const void* data;
    size_t size;
  } cases[] = {
      {L"dword", REG_DWORD, &number, sizeof number},
      {L"multi", REG_MULTI_SZ, multi, sizeof multi},
      {L"binary", REG_BINARY, binary, sizeof binary},  // the bytes of "ab" are still no text
      {L"none", REG_NONE, binary, sizeof binary},
  };
  for (const auto& test : cases) StoreRaw(kGameKey, test.name, test.type, test.data, test.size);
  const auto key = RegistryKey::Open(RegistryRoot::CurrentUser, kGameKey, false);
  ASSERT_TRUE(key) << key.Problem();
  for (const auto& test : cases) {
    const auto value = key->ReadString(win32::Ansi(test.name));
    EXPECT_FALSE(value) << win32::Ansi(test.name);
    EXPECT_NE(value.Problem().find("\"" + win32::Ansi(test.name) + "\""), std::string::npos)
        << value.Problem();
    EXPECT_NE(value.Problem().find("is not a string"), std::string::npos) << value.Problem();
  }
}

TEST(RegistryWin32, KeyPathsNameTheSameKeyHoweverTheSeparatorsFall) {
  TestMachine machine;
  auto key = RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\SE Game\\Sub", true);
  ASSERT_TRUE(key) << key.Problem();
  ASSERT_TRUE(key->WriteString("Where", "here"));
  for (const char* spelling : {"Software\\SE Game\\Sub\\", "\\Software\\SE Game\\Sub",
                               "Software\\\\SE Game\\Sub", "SOFTWARE\\se game\\SUB"}) {
    const auto again = RegistryKey::Open(RegistryRoot::CurrentUser, spelling, false);
    ASSERT_TRUE(again) << spelling << ": " << again.Problem();
    EXPECT_EQ(again->ReadString("where"), std::string("here")) << spelling;
  }
  // Creating through a doubled separator makes no key with an empty name.
  const auto created = RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\\\SE Game\\\\New\\", true);
  ASSERT_TRUE(created) << created.Problem();
  EXPECT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\SE Game\\New", false));
  key->Close();
  const Status deleted = DeleteRegistryKey(RegistryRoot::CurrentUser, "\\Software\\SE Game\\Sub\\");
  EXPECT_TRUE(deleted) << deleted.Problem();
  EXPECT_FALSE(RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\SE Game\\Sub", false));
}

TEST(RegistryWin32, FailuresNameTheKeyAndTheSystemsReason) {
  TestMachine machine;
  ASSERT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\SE Game\\Sub", true));
  auto game = RegistryKey::Open(RegistryRoot::CurrentUser, kGameKey, false);
  ASSERT_TRUE(game);
  const std::string notFound = win32::ErrorText(ERROR_FILE_NOT_FOUND);

  const auto missingKey = RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\SE Missing", false);
  EXPECT_FALSE(missingKey);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(missingKey.Problem(),
            "the key HKEY_CURRENT_USER\\Software\\SE Missing does not exist: " + notFound);

  const auto missingValue = game->ReadString("missing");
  EXPECT_FALSE(missingValue);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(missingValue.Problem(),
            "the value \"missing\" of HKEY_CURRENT_USER\\Software\\SE Game does not exist: " + notFound);

  const Status notDeleted = game->DeleteValue("missing");
  EXPECT_FALSE(notDeleted);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_NE(notDeleted.Problem().find("does not exist"), std::string::npos);

  ASSERT_TRUE(game->WriteString("x", "1"));

  const Status withSubKeys = DeleteRegistryKey(RegistryRoot::CurrentUser, kGameKey);
  EXPECT_FALSE(withSubKeys);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(withSubKeys.Problem().rfind("the key HKEY_CURRENT_USER\\Software\\SE Game has sub-keys: ", 0), 0u)
      << withSubKeys.Problem();
  EXPECT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, kGameKey, false));

  const Status absent = DeleteRegistryKey(RegistryRoot::CurrentUser, "Software\\SE Missing");
  EXPECT_FALSE(absent);
  EXPECT_EQ(absent.Problem().rfind("the key HKEY_CURRENT_USER\\Software\\SE Missing does not exist", 0), 0u);

  // Neither an empty path nor one of separators only may delete the root itself.
  for (const char* root : {"", "\\", "\\\\"}) {
    const Status refused = DeleteRegistryKey(RegistryRoot::CurrentUser, root);
    EXPECT_FALSE(refused) << root;
    EXPECT_NE(refused.Problem().find("cannot delete"), std::string::npos);
  }
  EXPECT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, "Software", false));

  const auto noRoot = RegistryKey::Open(RegistryRoot::None, "Software", false);
  EXPECT_FALSE(noRoot);
  EXPECT_NE(noRoot.Problem().find("no such registry root"), std::string::npos);
  EXPECT_FALSE(DeleteRegistryKey(RegistryRoot::None, "Software"));

  RegistryKey closed;
  EXPECT_FALSE(closed.ReadString("x"));
  EXPECT_FALSE(closed.WriteString("x", "1"));
  const Status closedDelete = closed.DeleteValue("x");
  EXPECT_FALSE(closedDelete);
  EXPECT_NE(closedDelete.Problem().find("no registry key is open"), std::string::npos);
}

// A key whose security lets everyone read it (and delete it, so that the scratch key
// can go) but nobody write to it.
bool CreateReadOnlyKey(const std::wstring& path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KR;;;WD)(A;;SD;;;WD)", SDDL_REVISION_1,
                                                            &descriptor, nullptr))
    return false;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  HKEY key = nullptr;
  const LSTATUS status =
      RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_READ, &attributes, &key, nullptr);
  LocalFree(descriptor);
  if (status != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

TEST(RegistryWin32, AKeyThisUserMayOnlyReadOpensForReading) {
  TestMachine machine;
  ASSERT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, kGameKey, true).Ok());
  StoreRawText(kGameKey, L"Version", REG_SZ, L"1.2", 8);
  ASSERT_TRUE(CreateReadOnlyKey(L"Software\\SE Game\\Locked"));
  HKEY probe = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\SE Game\\Locked", 0, KEY_WRITE, &probe) == ERROR_SUCCESS) {
    RegCloseKey(probe);
    static_cast<void>(DeleteRegistryKey(RegistryRoot::CurrentUser, "Software\\SE Game\\Locked"));
    GTEST_SKIP() << "this system does not enforce the security of registry keys";
  }
  for (const bool create : {false, true}) {
    auto locked = RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\SE Game\\Locked", create);
    ASSERT_TRUE(locked) << create << ": " << locked.Problem();
    EXPECT_FALSE(locked->ReadString("anything"));
    const Status written = locked->WriteString("x", "1");
    EXPECT_FALSE(written);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(written.Problem().rfind(
                  "cannot write the value \"x\" of HKEY_CURRENT_USER\\Software\\SE Game\\Locked: ", 0),
              0u)
        << written.Problem();
  }
  const Status deleted = DeleteRegistryKey(RegistryRoot::CurrentUser, "Software\\SE Game\\Locked");
  EXPECT_TRUE(deleted) << deleted.Problem();
}

// The user's own key through HKEY_USERS, which the test machine leaves alone.
std::wstring UserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return std::wstring();
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  std::wstring result;
  wchar_t* text = nullptr;
  if (GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
      ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
    result = text;
    LocalFree(text);
  }
  CloseHandle(token);
  return result;
}

bool SubKeyExists(HKEY parent, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The whole test suite relies on this: while a test machine lives, what the program
// writes to HKLM, HKCU and HKCR lands in the scratch key, never in the real roots.
TEST(RegistryWin32, TheTestMachineKeepsTheRealRootsUntouched) {
  const std::wstring sid = UserSid();
  ASSERT_FALSE(sid.empty());
  HKEY realUser = nullptr, realMachine = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_USERS, sid.c_str(), 0, KEY_READ, &realUser), ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_READ, &realMachine), ERROR_SUCCESS);
  const std::wstring probe = L"SE-Probe-" + std::to_wstring(GetCurrentProcessId());
  std::wstring scratch;
  {
    TestMachine machine;
    scratch = L"Software\\SE-Tests\\" + machine.Root().filename().wstring();
    for (const RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser}) {
      auto key = RegistryKey::Open(root, "Software\\" + win32::Ansi(probe), true);
      ASSERT_TRUE(key) << key.Problem();
      EXPECT_TRUE(key->WriteString("v", "1"));
    }
    EXPECT_TRUE(SubKeyExists(realUser, scratch + L"\\HKLM\\Software\\" + probe));
    EXPECT_TRUE(SubKeyExists(realUser, scratch + L"\\HKCU\\Software\\" + probe));
    auto classes = RegistryKey::Open(RegistryRoot::ClassesRoot, win32::Ansi(probe), true);
    ASSERT_TRUE(classes) << classes.Problem();
    EXPECT_TRUE(classes->WriteString("", "URL:Probe"));
    EXPECT_TRUE(SubKeyExists(realUser, scratch + L"\\HKCR\\" + probe));
    EXPECT_FALSE(SubKeyExists(realMachine, L"Software\\Classes\\" + probe));
    EXPECT_FALSE(SubKeyExists(realMachine, probe));
    EXPECT_FALSE(SubKeyExists(realUser, L"Software\\" + probe));
  }
  // Afterwards the roots are the real ones again and the scratch key is gone.
  EXPECT_FALSE(RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\" + win32::Ansi(probe), false).Ok());
  EXPECT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, "Software", false).Ok());
  EXPECT_FALSE(SubKeyExists(realUser, scratch));
  // Should the redirection ever fail, the probes go again.
  RegDeleteKeyW(realMachine, probe.c_str());
  RegDeleteKeyW(HKEY_CLASSES_ROOT, probe.c_str());
  HKEY userSoftware = nullptr;
  if (RegOpenKeyExW(realUser, L"Software", 0, KEY_READ, &userSoftware) == ERROR_SUCCESS) {
    RegDeleteKeyW(userSoftware, probe.c_str());
    RegCloseKey(userSoftware);
  }
  RegCloseKey(realMachine);
  RegCloseKey(realUser);
}

// The real roots, outside a test machine: only read here.
TEST(RegistryWin32, TheOtherRootsOpenForReading) {
  const std::wstring sid = UserSid();
  const struct {
    RegistryRoot root;
    std::string path;
  } cases[] = {
      {RegistryRoot::ClassesRoot, "exefile"},
      {RegistryRoot::Users, win32::Ansi(sid)},
      {RegistryRoot::CurrentConfig, ""},
  };
  for (const auto& test : cases) {
    const auto key = RegistryKey::Open(test.root, test.path, false);
    EXPECT_TRUE(key) << static_cast<int>(test.root) << ": " << key.Problem();
  }
  // The program type's name, in the system's language.
  const auto name = RegistryKey::Open(RegistryRoot::ClassesRoot, "exefile", false)->ReadString("");
  ASSERT_TRUE(name) << name.Problem();
  EXPECT_FALSE(name->empty());
}

#ifndef _WIN64
// A 32-bit program on a 64-bit system sees HKLM\Software through Wow6432Node by itself.
TEST(RegistryWin32, A32BitProgramSeesThe32BitViewOfHklmSoftware) {
  BOOL wow64 = FALSE;
  if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) GTEST_SKIP() << "not a 64-bit system";
  const wchar_t kPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion";
  auto read = [&](REGSAM view) {
    wchar_t data[MAX_PATH] = {};
    DWORD size = sizeof data - sizeof(wchar_t);
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPath, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
      return std::string();
    RegQueryValueExW(key, L"ProgramFilesDir", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return win32::Ansi(data);
  };
  const std::string native = read(KEY_WOW64_64KEY), redirected = read(KEY_WOW64_32KEY);
  if (native.empty()) GTEST_SKIP() << "HKLM is not the system's here";
  ASSERT_NE(native, redirected);
  EXPECT_EQ(
      RegistryKey::Open(RegistryRoot::LocalMachine, win32::Ansi(kPath), false)->ReadString("ProgramFilesDir"),
      redirected);
}
#endif

}  // namespace
}  // namespace platform
