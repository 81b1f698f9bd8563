// `setuptool pak verify` of a ~200 MiB package of mixed entries (compressed text-like
// data, incompressible stored data, empty entries) against the limit: zlib's crc32
// and inflate over the same stored bytes in a bare loop that reads the same file.
#include <fcntl.h>
#include <zlib.h>

#include "BenchUtil.h"
#include "package/ZTI_PakFile.h"

namespace {

struct Stored {
  uint64_t offset, length, origSize;
  uint32_t crc;
  bool compressed;
};

// The limit: read each entry's stored bytes, checksum them, inflate when compressed.
void BareLoop(const std::string& file, const std::vector<Stored>& entries) {
  const int fd = open(file.c_str(), O_RDONLY);
  std::vector<uint8_t> in, out;
  for (const Stored& e : entries) {
    if (e.origSize == 0) continue;
    in.resize(e.length);
    if (pread(fd, in.data(), e.length, e.offset) != static_cast<ssize_t>(e.length)) std::exit(1);
    if (crc32(0, in.data(), e.length) != e.crc) std::exit(1);
    if (e.compressed) {
      out.resize(e.origSize);
      uLongf length = e.origSize;
      if (uncompress(out.data(), &length, in.data(), e.length) != Z_OK) std::exit(1);
    }
  }
  close(fd);
}

}  // namespace

int main() {
  const auto root = bench::ScratchFolder("verify");
  std::mt19937 rng(42);
  const std::string file = (root / "setup.pak").string();
  std::vector<Stored> entries;
  {
    TPak pak;
    pak.Create(platform::WindowsPathOf(file), false, true);
    size_t total = 0;
    for (int i = 0; total < (200u << 20); ++i) {
      // Sizes from 1 KiB to 8 MiB; one entry in three is incompressible; a few empty.
      const size_t size = i % 17 == 0 ? 0 : (size_t{1024} << (rng() % 14));
      const int randomPercent = i % 3 == 0 ? 100 : 15;
      const auto content = bench::MixedContent(size, rng, randomPercent);
      const int index = pak.NewEntry("data\\file" + std::to_string(i), "", 1);
      if (!pak.StoreBuffer(index, content.data(), content.size())) return 1;
      total += pak.Entries()[index].StoredLength();
    }
    pak.WriteTable();
    for (const TPakFile& e : pak.Entries())
      entries.push_back({e.Offset, e.StoredLength(), e.OrigSize, e.CRC, e.CompSize != 0});
  }
  const std::string setuptool = (bench::ProgramFolder() / "setuptool").string();
  bench::Cost tool, inProcess, limit;
  for (int round = 0; round < 5; ++round) {
    if (!bench::MeasureRun(tool, {setuptool, "pak", "verify", file})) return 1;
    bench::Measure(inProcess, [&] {
      TPak pak;
      pak.Create(platform::WindowsPathOf(file), false, false);
      for (size_t i = 0; i < pak.Count(); ++i)
        if (pak.Entries()[i].OrigSize && !pak.VerifyEntry(static_cast<int>(i))) std::exit(1);
    });
    bench::Measure(limit, [&] { BareLoop(file, entries); });
  }
  const double mib = std::filesystem::file_size(file) / 1048576.0;
  std::printf(
      "pak_verify: %zu entries, %.0f MiB: setuptool pak verify %.3f s (cpu %.3f s), "
      "VerifyEntry loop %.3f s (cpu %.3f s), bare crc32+inflate %.3f s (cpu %.3f s)\n",
      entries.size(), mib, tool.wall, tool.cpu, inProcess.wall, inProcess.cpu, limit.wall, limit.cpu);
  std::printf(
      "pak_verify: ratio setuptool/limit %.2f (cpu %.2f; target <= 1.15), in-process/limit %.2f (cpu %.2f)\n",
      tool.wall / limit.wall, tool.cpu / limit.cpu, inProcess.wall / limit.wall, inProcess.cpu / limit.cpu);
  return 0;
}
