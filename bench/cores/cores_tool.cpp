// Helper of bench/both-cores.sh:
//   cores_tool tree DIR      writes the benchmark tree: 10,000 small files and four
//                            24 MiB files (about 146 MB of game-like, compressible data)
//   cores_tool floor FILE    the raw-library floor of verifying a package: for every
//                            entry, zlib's crc32 over the stored bytes and an inflate of
//                            the stream, one thread, read straight from the file
//   cores_tool deflate DIR   the raw-library floor of packing the tree: every file
//                            below 70 MiB compressed as one zlib stream at level 9,
//                            as the package format asks, one thread
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string Pool(size_t size, unsigned seed) {
  static const char* words[] = {"texture", "model", "vertex", "layer",  "terrain", "unit",
                                "weapon",  "sound", "mesh",   "shader", "light",   "shadow",
                                "alpha",   "index", "frame",  "bone"};
  std::mt19937 random(seed);
  std::string pool;
  pool.reserve(size + 128);
  while (pool.size() < size) {
    if (random() % 10 == 0) {
      for (int k = 0; k < 64; ++k) pool += static_cast<char>(random());
    } else {
      pool += std::string(words[random() % 16]) + " " + std::to_string(random() % 100000) + "\n";
    }
  }
  pool.resize(size);
  return pool;
}

int Tree(const fs::path& dir) {
  const std::string pool = Pool(16u << 20, 7);
  std::mt19937 random(11);
  for (int i = 0; i < 10000; ++i) {
    const fs::path path = dir / "tree" / ("d" + std::to_string(i % 40)) / ("f" + std::to_string(i) + ".dat");
    fs::create_directories(path.parent_path());
    const size_t size = 1000 + random() % 9000;
    const size_t at = random() % (pool.size() - size);
    std::ofstream(path, std::ios::binary).write(pool.data() + at, static_cast<std::streamsize>(size));
  }
  for (int i = 0; i < 4; ++i) {
    const std::string big = Pool(24u << 20, 100 + i);
    std::ofstream(dir / "tree" / ("big" + std::to_string(i) + ".pak"), std::ios::binary)
        .write(big.data(), static_cast<std::streamsize>(big.size()));
  }
  return 0;
}

uint32_t Get32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

int Floor(const char* file) {
  std::vector<uint8_t> all(static_cast<size_t>(fs::file_size(file)));
  std::ifstream(file, std::ios::binary)
      .read(reinterpret_cast<char*>(all.data()), static_cast<std::streamsize>(all.size()));
  if (all.size() < 16 || std::memcmp(&all[all.size() - 16], "ZTPF", 4) != 0) return 2;
  const uint8_t* header = &all[all.size() - 16];
  const unsigned count = header[6] | header[7] << 8;
  size_t at = Get32(header + 12);
  std::vector<uint8_t> sink(1 << 16);
  unsigned bad = 0;
  for (unsigned i = 0; i < count; ++i) {
    const size_t nameLength = all[at] | all[at + 1] << 8;
    const uint8_t* f = &all[at + 2 + nameLength];
    at += 2 + nameLength + 18;
    const uint32_t crc = Get32(f), offset = Get32(f + 4), comp = Get32(f + 8), orig = Get32(f + 12);
    const uint32_t stored = comp ? comp : orig;
    if (orig == 0 || orig >= 73400320u) continue;
    if (crc32_z(0, &all[offset], stored) != crc) ++bad;
    if (!comp) continue;
    z_stream z{};
    inflateInit(&z);
    z.next_in = &all[offset];
    z.avail_in = stored;
    int status = Z_OK;
    while (status == Z_OK) {
      z.next_out = sink.data();
      z.avail_out = static_cast<uInt>(sink.size());
      status = inflate(&z, Z_NO_FLUSH);
    }
    if (status != Z_STREAM_END || z.total_out != orig) ++bad;
    inflateEnd(&z);
  }
  std::printf("%u entries, %u bad\n", count, bad);
  return bad ? 1 : 0;
}

int Deflate(const fs::path& dir) {
  uint64_t in = 0, out = 0;
  std::vector<char> content;
  std::vector<Bytef> packed;
  for (const auto& item : fs::recursive_directory_iterator(dir)) {
    if (!item.is_regular_file() || item.file_size() >= 73400320u) continue;
    content.resize(static_cast<size_t>(item.file_size()));
    std::ifstream(item.path(), std::ios::binary)
        .read(content.data(), static_cast<std::streamsize>(content.size()));
    uLongf length = compressBound(static_cast<uLong>(content.size()));
    packed.resize(length);
    if (compress2(packed.data(), &length, reinterpret_cast<const Bytef*>(content.data()),
                  static_cast<uLong>(content.size()), 9) != Z_OK)
      return 1;
    in += content.size();
    out += length;
  }
  std::printf("%llu bytes to %llu\n", static_cast<unsigned long long>(in),
              static_cast<unsigned long long>(out));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "tree") == 0) return Tree(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "floor") == 0) return Floor(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "deflate") == 0) return Deflate(argv[2]);
  std::fprintf(stderr, "usage: cores_tool tree DIR | cores_tool floor FILE | cores_tool deflate DIR\n");
  return 2;
}
