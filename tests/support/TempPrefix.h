// A fresh emulated machine for one test: a temporary directory that WINEPREFIX points
// at while the object lives, with the minimal prefix layout the platform layer makes for
// a new prefix, removed afterwards. Tests never touch the real ~/.wine.
#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

class TempPrefix {
 public:
  TempPrefix();
  ~TempPrefix();
  TempPrefix(const TempPrefix&) = delete;
  TempPrefix& operator=(const TempPrefix&) = delete;

  // The prefix directory on the host.
  const std::filesystem::path& Root() const { return root_; }
  // drive_c on the host: Root() / "drive_c".
  std::filesystem::path DriveC() const { return root_ / "drive_c"; }

 private:
  std::filesystem::path root_;
  std::string previous_;
  bool hadPrevious_ = false;
};

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
