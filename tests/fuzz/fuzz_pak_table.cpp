// Fuzz target: a setup package read from a file. The header, the table, every
// entry's stored bytes and content, the lookups and the group walks must cope with
// any bytes: no crash, no read outside the file, bounded memory.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "package/ZTI_PakExtended.h"
#include "package/ZTI_PakFile.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Files.h"

namespace {

// A private machine for the fuzzer's package file, made once.
std::string PackageHostPath() {
  static const std::string path = [] {
    char pattern[] = "/tmp/se-fuzz-pak-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir) std::abort();
    setenv("WINEPREFIX", dir, 1);
    static const std::string root = dir;
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(root, ignored);
    });
    platform::FileExists("C:\\");  // lays out the prefix
    platform::SetMessageBoxHandler([](const std::u16string&, const std::u16string&, platform::MessageButtons,
                                      platform::MessageIcon) { return platform::MessageResult::Ok; });
    return std::string(dir) + "/drive_c/fuzz.pak";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The table parser on bytes, as the file reader feeds it.
  if (size >= kSetupHeaderSize) {
    const TSetupHeader header = ParseSetupHeader(data + size - kSetupHeaderSize);
    size_t at = header.TableOffset < size ? header.TableOffset : size;
    ParseEntryTable(
        [&](uint8_t* into, size_t n) {
          const size_t got = n < size - at ? n : size - at;
          std::memcpy(into, data + at, got);
          at += got;
          return got;
        },
        header.FileCount);
  }

  // The extended table's parser on the same bytes, as if they were a table.
  ParseExtendedTable(Bytes(data, data + size));

  {
    std::ofstream out(PackageHostPath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  TPak pak;
  pak.Create("C:\\fuzz.pak", false, false);
  if (pak.Count() > pak.Header().FileCount) std::abort();
  for (size_t i = 0; i < pak.Count(); ++i) {
    const int index = static_cast<int>(i);
    try {
      const auto content = pak.ReadEntry(index);
      if (content && content->size() != pak.Entries()[i].OrigSize) std::abort();
      pak.DiagnoseEntry(index);
      pak.VerifyEntry(index);
    } catch (const platform::ESetupError&) {
      // a rejected stream: the caller's error handler reports it
    }
    IsSafeEntryName(pak.Entries()[i].Name);
  }
  if (pak.Count() > 0) {
    const TPakFile first = pak.Entries()[0];
    try {
      pak.FindEntry(first.Name, first.Group);
      int walked = 0;
      for (auto item = pak.FirstIndexInGroup(first.Group); item; item = pak.NextIndexInGroup(first.Group))
        ++walked;
      if (walked != pak.CountInGroup(first.Group)) std::abort();
    } catch (const platform::ESetupError&) {
    }
  }
  return 0;
}
