// A fresh machine for one test, so that tests never touch the real one.
//
// On Linux it is a temporary Wine-style prefix that WINEPREFIX points at while the
// object lives, with the minimal layout the platform layer makes for a new prefix: its
// drive C: is the prefix's drive_c, so "C:\Games" names a folder inside it.
// On Windows the system drive cannot be swapped, so the machine is a fresh temporary
// folder that stands for drive C: (Path() maps "C:\..." into it) and holds, beside
// it, the process's temporary folder while the object lives, and the registry
// roots HKLM and HKCU of the test process are redirected into a scratch key that is
// deleted afterwards.
//
// Tests name places on the machine through Path("C:\\Games\\x"), never as a bare
// literal that would reach outside the sandbox on Windows.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace testing_support {

class TestMachine {
 public:
  TestMachine();
  ~TestMachine();
  TestMachine(const TestMachine&) = delete;
  TestMachine& operator=(const TestMachine&) = delete;

  // The sandbox directory on the host (the prefix on Linux).
  const std::filesystem::path& Root() const { return root_; }
  // The host folder that stands for drive C:.
  std::filesystem::path DriveC() const;
  // The Windows path on this machine for a path written as on drive C: ("C:\Games\x"
  // or "c:/Games/x"). Other paths, and paths already on the machine, are returned as
  // they are.
  std::string Path(std::string_view windowsPath) const;

 private:
  std::filesystem::path root_;
  std::string previous_;
  bool hadPrevious_ = false;
};

// Existing tests call the machine a prefix.
using TempPrefix = TestMachine;

// A temporary directory on the host, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace testing_support
