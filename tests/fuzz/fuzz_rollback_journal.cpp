// Fuzz target: a rollback journal of any bytes beside a game file, played back. It
// never crashes, and nothing but the game file and its own companions (its name up to
// the extension, beside it) is ever written: whatever the records name, no file
// appears anywhere else.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "gamedata/SE_RollbackJournal.h"
#include "platform/Files.h"

namespace {
namespace fs = std::filesystem;

// One private machine for the whole run, so that nothing touches the user's prefix;
// a plain array, so that it is still there when the exit handler removes it.
char gScratch[4096];

fs::path Scratch() {
  if (!gScratch[0]) {
    const std::string pattern = (fs::temp_directory_path() / "fuzz_rollback_XXXXXX").string();
    if (pattern.size() >= sizeof gScratch) std::abort();
    pattern.copy(gScratch, pattern.size());
    if (!mkdtemp(gScratch)) std::abort();
    setenv("WINEPREFIX", (fs::path(gScratch) / "prefix").c_str(), 1);
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(gScratch, ignored);
    });
  }
  return gScratch;
}

bool IsOwnFile(const fs::path& path, const fs::path& game) {
  if (path.parent_path() != game) return false;
  std::string name = path.filename().string();
  for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
  return name == "data" || name.rfind("data.", 0) == 0;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path root = Scratch() / "root";
  const fs::path game = root / "a" / "b" / "game";
  fs::remove_all(root);
  fs::create_directories(game);
  std::ofstream(game / "data.ztp", std::ios::binary) << std::string(64, 'g');
  std::ofstream(game / "data.ztp-journal", std::ios::binary)
      .write(reinterpret_cast<const char*>(data), std::streamsize(size));
  const std::string target = platform::WindowsPathOf((game / "data.ztp").string());
  static_cast<void>(InspectJournal(JournalPathOf(target)));
  static_cast<void>(PlayBackJournal(target));
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file() && !IsOwnFile(entry.path(), game)) std::abort();
  return 0;
}
