// The DLL search order every program sets first: a DLL planted beside the program is
// not loaded by name (as the common controls, the shell and COM load theirs), while
// the system's own DLLs still are.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "platform/ProgramArguments.h"

namespace {

namespace fs = std::filesystem;

fs::path OwnFolder() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fs::path(std::wstring(path, length)).parent_path();
}

TEST(LibrarySearchWin32, ADllPlantedBesideTheProgramIsNotLoadedByName) {
  const fs::path built = fs::path(SE_BINARY_DIR) / "tests" / "planted" / "planted.dll";
  ASSERT_TRUE(fs::exists(built)) << built;
  // Beside the program, under a name the system has no DLL of, and in the current
  // folder too.
  const fs::path planted = OwnFolder() / "se_planted_probe.dll";
  fs::copy_file(built, planted, fs::copy_options::overwrite_existing);
  const fs::path previous = fs::current_path();
  fs::current_path(OwnFolder());

  platform::RestrictLibrarySearch();
  const HMODULE byName = LoadLibraryW(L"se_planted_probe.dll");
  const HMODULE system = LoadLibraryW(L"version.dll");  // not a known DLL, in System32
  const HMODULE byPath = LoadLibraryW(planted.wstring().c_str());

  EXPECT_EQ(byName, nullptr) << "the planted DLL was found by its bare name";
  EXPECT_NE(system, nullptr) << "a system DLL is still found by name";
  EXPECT_NE(byPath, nullptr) << "the planted DLL loads by its full path: it is a valid DLL";
  for (HMODULE module : {byName, system, byPath})
    if (module) FreeLibrary(module);
  fs::current_path(previous);
  fs::remove(planted);
}

}  // namespace
