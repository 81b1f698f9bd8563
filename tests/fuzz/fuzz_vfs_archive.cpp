// The game archive reader on arbitrary files: opening with the full tree, reading
// every file and checking the archive must either work or raise ESetupError; no
// endless walk, no read outside the tables.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "gamedata/VFS_Unit.h"
#include "platform/Errors.h"
#include "platform/Files.h"

namespace {
// One private machine for the whole run, so that nothing touches the user's prefix;
// a plain array, so that it is still there when the exit handler removes it.
char gScratch[4096];

std::filesystem::path Scratch() {
  if (!gScratch[0]) {
    const std::string pattern = (std::filesystem::temp_directory_path() / "fuzz_vfs_XXXXXX").string();
    if (pattern.size() >= sizeof gScratch) std::abort();
    pattern.copy(gScratch, pattern.size());
    if (!mkdtemp(gScratch)) std::abort();
    setenv("WINEPREFIX", (std::filesystem::path(gScratch) / "prefix").c_str(), 1);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(gScratch, ignored);
    });
  }
  return gScratch;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::filesystem::path file = Scratch() / "input.vfs";
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), std::streamsize(size));
  const std::string path = platform::WindowsPathOf(file.string());
  try {
    TVFSFile archive;
    archive.Open(path, true, {}, true);
    for (const TTreeFileInfo& node : archive.Tree().Nodes()) {
      if (node.index < 0 || !node.info.IsFile()) continue;
      try {
        archive.Tree().ReadFileData(node.index);
      } catch (const platform::ESetupError&) {
      }
    }
  } catch (const platform::ESetupError&) {
  }
  return 0;
}
