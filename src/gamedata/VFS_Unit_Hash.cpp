// The archive's lookup table (".ht"): a u32 count and 21-byte records sorted by the
// hash of each file's path, rebuilt from the whole tree when an archive opened with
// the full tree is flushed.
#include <algorithm>
#include <cstring>

#include "gamedata/VFS_Unit.h"
#include "platform/Files.h"
#include "platform/LittleEndian.h"

uint32_t HashKey(std::string_view key) {
  uint32_t h = 0;
  for (unsigned char c : key) h = h * 65599u + c;
  return h;
}

uint32_t PathHash(std::string_view path, std::string_view name) {
  const std::string_view prefix = path.substr(0, path.size() >= name.size() ? path.size() - name.size() : 0);
  if (prefix.size() >= 2 && prefix.back() == '\\') {
    std::string key(prefix.substr(0, prefix.size() - 1));
    key += '/';
    key += name;
    return HashKey(key);
  }
  return HashKey(name);
}

std::vector<TVFSHashRecord> BuildHashRecords(const std::vector<TVFSHashRecord>& files) {
  // Sorting gives what inserting one by one into a sorted array does: the first file
  // of each hash keeps its place and loses its "unique" mark when others follow.
  std::vector<TVFSHashRecord> sorted = files;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const TVFSHashRecord& a, const TVFSHashRecord& b) { return a.hash < b.hash; });
  std::vector<TVFSHashRecord> table;
  table.reserve(sorted.size());
  for (const TVFSHashRecord& record : sorted) {
    if (!table.empty() && table.back().hash == record.hash) {
      table.back().unique = 0;
      continue;
    }
    table.push_back(record);
    table.back().unique = 1;
  }
  return table;
}

std::vector<uint8_t> EncodeHashTable(const std::vector<TVFSHashRecord>& records) {
  std::vector<uint8_t> out;
  out.reserve(4 + records.size() * kVFSHashRecordSize);
  platform::PutFixed32(out, static_cast<uint32_t>(records.size()));
  for (const TVFSHashRecord& r : records) {
    for (uint32_t v : {r.hash, r.flags, uint32_t(r.storedSize), uint32_t(r.fullSize), uint32_t(r.firstBlock)})
      platform::PutFixed32(out, v);
    out.push_back(r.unique);
  }
  return out;
}

std::optional<std::vector<TVFSHashRecord>> DecodeHashTable(std::span<const uint8_t> bytes) {
  if (bytes.size() < 4) return std::nullopt;
  const uint32_t count = platform::DecodeFixed32(bytes.data());
  if ((bytes.size() - 4) / kVFSHashRecordSize < count) return std::nullopt;
  std::vector<TVFSHashRecord> records(count);
  const uint8_t* p = bytes.data() + 4;
  for (TVFSHashRecord& r : records) {
    r = {platform::DecodeFixed32(p),
         platform::DecodeFixed32(p + 4),
         int32_t(platform::DecodeFixed32(p + 8)),
         int32_t(platform::DecodeFixed32(p + 12)),
         int32_t(platform::DecodeFixed32(p + 16)),
         p[20]};
    p += kVFSHashRecordSize;
  }
  return records;
}

namespace {
// Flushed like the archive itself, so that the journal is never deleted before it.
bool WriteLookupTable(const std::string& path, const std::vector<uint8_t>& bytes) {
  platform::File file = platform::File::Open(path, platform::OpenMode::CreateTruncate);
  return file.IsOpen() && file.WriteAll(bytes.data(), bytes.size()) && file.Flush();
}
}  // namespace

std::string HashTablePath(const std::string& archivePath) {
  const size_t dot = archivePath.rfind('.');
  const size_t separator = archivePath.find_last_of("\\/");
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator))
    return archivePath + ".ht";
  return archivePath.substr(0, dot) + ".ht";
}

void TVFSHashFile::Load() {
  records_.clear();
  loaded_ = false;
  const std::string path = HashTablePath(owner_.Path());
  if (!platform::FileExists(path)) return;
  const auto bytes = platform::ReadWholeFile(path);
  if (!bytes) return;
  auto records = DecodeHashTable(*bytes);
  if (!records) owner_.Fail("lookup table " + path + " is damaged");
  records_ = std::move(*records);
  loaded_ = true;
}

void TVFSHashFile::Save() {
  if (!loaded_) return;
  const std::string path = HashTablePath(owner_.Path());
  platform::DeleteFileAt(path);
  if (records_.empty()) return;
  const std::vector<uint8_t> bytes = EncodeHashTable(records_);
  if (!WriteLookupTable(path, bytes)) owner_.FailWithReason("cannot write the lookup table " + path);
}

void TVFSTree::BuildHashTable() {
  const std::string path = HashTablePath(owner_.Path());
  platform::DeleteFileAt(path);
  std::vector<TVFSHashRecord> files;
  for (const TTreeFileInfo& node : nodes_) {
    if (node.index < 0 || !node.info.IsFile()) continue;
    files.push_back({PathHash(node.path, node.info.name), node.info.flags, node.info.storedSize,
                     node.info.fullSize, node.info.firstBlock, 1});
  }
  if (files.empty()) return;
  const std::vector<uint8_t> bytes = EncodeHashTable(BuildHashRecords(files));
  if (!WriteLookupTable(path, bytes)) owner_.FailWithReason("cannot write the lookup table " + path);
}
