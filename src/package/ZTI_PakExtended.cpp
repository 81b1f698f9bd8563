#include "package/ZTI_PakExtended.h"

#include <cstring>

#include "package/CRC.h"
#include "package/ZTI_PakDataFiles.h"
#include "platform/LittleEndian.h"

namespace {

// Reads the table's bytes front to back; any read past the end marks it short.
class TableReader {
 public:
  explicit TableReader(const Bytes& bytes) : bytes_(bytes) {}
  bool Short() const { return short_; }
  bool AtEnd() const { return at_ == bytes_.size(); }
  const uint8_t* Take(size_t n) {
    if (short_ || bytes_.size() - at_ < n) {
      short_ = true;
      return nullptr;
    }
    const uint8_t* p = bytes_.data() + at_;
    at_ += n;
    return p;
  }
  uint8_t U8() {
    const uint8_t* p = Take(1);
    return p ? *p : 0;
  }
  uint16_t U16() {
    const uint8_t* p = Take(2);
    return p ? platform::DecodeFixed16(p) : 0;
  }
  uint32_t U32() {
    const uint8_t* p = Take(4);
    return p ? platform::DecodeFixed32(p) : 0;
  }
  uint64_t U64() {
    const uint8_t* p = Take(8);
    return p ? platform::DecodeFixed64(p) : 0;
  }
  std::string String() {
    const uint16_t length = U16();
    const uint8_t* p = Take(length);
    return p ? std::string(reinterpret_cast<const char*>(p), length) : std::string();
  }
  // A count of records of at least minSize bytes each that the rest can hold.
  std::optional<uint32_t> Count(size_t minSize) {
    const uint32_t count = U32();
    if (short_ || static_cast<uint64_t>(count) * minSize > bytes_.size() - at_) return std::nullopt;
    return count;
  }

 private:
  const Bytes& bytes_;
  size_t at_ = 0;
  bool short_ = false;
};

void PutString(Bytes& out, const std::string& text) {
  platform::PutFixed16(out, static_cast<uint16_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
}

TParsedTable Fault(TTableFault fault, std::string problem) {
  TParsedTable parsed;
  parsed.fault = fault;
  parsed.problem = std::move(problem);
  return parsed;
}

constexpr size_t kPartMinSize = 8 + 32 + 2;
constexpr size_t kBlockSize = 1 + 8 + 8 + 8 + 4;
constexpr size_t kEntryMinSize = 2 + 2 + 1 + 4 + 4 + 8 + 8 + 8;

}  // namespace

std::optional<TPakLocator> ParseLocator(const uint8_t* bytes32) {
  if (std::memcmp(bytes32, "ZTPX", 4) != 0) return std::nullopt;
  TPakLocator locator;
  locator.Required = platform::DecodeFixed16(bytes32 + 4);
  locator.TableOffset = platform::DecodeFixed64(bytes32 + 8);
  locator.TableLength = platform::DecodeFixed64(bytes32 + 16);
  locator.TableCRC = platform::DecodeFixed32(bytes32 + 24);
  return locator;
}

void AppendLocator(Bytes& out, const TPakLocator& locator) {
  out.insert(out.end(), {'Z', 'T', 'P', 'X'});
  platform::PutFixed16(out, locator.Required);
  platform::PutFixed16(out, 0);
  platform::PutFixed64(out, locator.TableOffset);
  platform::PutFixed64(out, locator.TableLength);
  platform::PutFixed32(out, locator.TableCRC);
  platform::PutFixed32(out, 0);
}

TParsedTable ParseExtendedTable(const Bytes& bytes) {
  TParsedTable parsed;
  TExtendedTable& table = parsed.table;
  TableReader in(bytes);
  table.PakStart = in.U64();
  const std::optional<uint32_t> parts = in.Count(kPartMinSize);
  if (!parts) return Fault(TTableFault::Damaged, "the part list runs past the table");
  for (uint32_t i = 0; i < *parts; ++i) {
    TPakPart part;
    part.Size = in.U64();
    const uint8_t* digest = in.Take(part.Sha256.size());
    if (digest) std::memcpy(part.Sha256.data(), digest, part.Sha256.size());
    part.Suffix = in.String();
    if (in.Short())
      return Fault(TTableFault::Damaged, "data file " + std::to_string(i + 1) + " runs past the table");
    // The suffix becomes part of a file name: only the names the packer gives, in
    // order, so that no table can send the setup to another folder or file.
    if (part.Suffix != DataFileSuffix(i + 1) || part.Size == 0)
      return Fault(TTableFault::Damaged, "data file " + std::to_string(i + 1) + " is recorded wrongly");
    table.Parts.push_back(std::move(part));
  }
  const std::optional<uint32_t> blocks = in.Count(kBlockSize);
  if (!blocks) return Fault(TTableFault::Damaged, "the block list runs past the table");
  for (uint32_t i = 0; i < *blocks; ++i) {
    TPakBlock block;
    const uint8_t method = in.U8();
    block.Offset = in.U64();
    block.StoredSize = in.U64();
    block.ContentSize = in.U64();
    block.CRC = in.U32();
    if (method != static_cast<uint8_t>(TCompression::ZstdBlocks))
      return Fault(TTableFault::Newer,
                   "block " + std::to_string(i) + " has compression method " + std::to_string(method));
    if (block.ContentSize == 0 || block.ContentSize > kMaxBlockContent || block.StoredSize == 0 ||
        block.StoredSize > 2 * kMaxBlockContent)
      return Fault(TTableFault::Damaged, "block " + std::to_string(i) + " has an impossible size");
    table.Blocks.push_back(block);
  }
  const std::optional<uint32_t> entries = in.Count(kEntryMinSize);
  if (!entries) return Fault(TTableFault::Damaged, "the entry list runs past the table");
  table.Entries.reserve(*entries);
  for (uint32_t i = 0; i < *entries; ++i) {
    TPakFile entry;
    entry.Name = in.String();
    entry.Group = in.U16();
    const uint8_t method = in.U8();
    entry.Block = in.U32();
    entry.CRC = in.U32();
    entry.Offset = in.U64();
    entry.CompSize = in.U64();
    entry.OrigSize = in.U64();
    if (in.Short()) return Fault(TTableFault::Damaged, "entry " + std::to_string(i) + " runs past the table");
    const std::string which = "entry " + std::to_string(i) + " (" + entry.Name + ")";
    if (method > static_cast<uint8_t>(TCompression::ZstdBlocks))
      return Fault(TTableFault::Newer, which + " has compression method " + std::to_string(method));
    const auto kind = static_cast<TCompression>(method);
    entry.InBlocks = kind == TCompression::ZstdBlocks;
    // The method and CompSize must agree, as the first layout tells them apart by it.
    const bool consistent = kind == TCompression::Zlib ? entry.CompSize != 0 : entry.CompSize == 0;
    if (!consistent) return Fault(TTableFault::Damaged, which + " has a stored size that its method denies");
    if (entry.InBlocks &&
        (entry.Block >= table.Blocks.size() || entry.Offset > table.Blocks[entry.Block].ContentSize))
      return Fault(TTableFault::Damaged, which + " lies outside the blocks");
    table.Entries.push_back(std::move(entry));
  }
  if (!in.AtEnd()) return Fault(TTableFault::Damaged, "the table has bytes after its last entry");
  return parsed;
}

Bytes BuildExtendedTable(const TExtendedTable& table) {
  Bytes out;
  platform::PutFixed64(out, table.PakStart);
  platform::PutFixed32(out, static_cast<uint32_t>(table.Parts.size()));
  for (const TPakPart& part : table.Parts) {
    platform::PutFixed64(out, part.Size);
    out.insert(out.end(), part.Sha256.begin(), part.Sha256.end());
    PutString(out, part.Suffix);
  }
  platform::PutFixed32(out, static_cast<uint32_t>(table.Blocks.size()));
  for (const TPakBlock& block : table.Blocks) {
    out.push_back(static_cast<uint8_t>(block.Method));
    platform::PutFixed64(out, block.Offset);
    platform::PutFixed64(out, block.StoredSize);
    platform::PutFixed64(out, block.ContentSize);
    platform::PutFixed32(out, block.CRC);
  }
  platform::PutFixed32(out, static_cast<uint32_t>(table.Entries.size()));
  for (const TPakFile& entry : table.Entries) {
    PutString(out, entry.Name);
    platform::PutFixed16(out, entry.Group);
    out.push_back(static_cast<uint8_t>(entry.Method()));
    platform::PutFixed32(out, entry.Block);
    platform::PutFixed32(out, entry.CRC);
    platform::PutFixed64(out, entry.Offset);
    platform::PutFixed64(out, entry.CompSize);
    platform::PutFixed64(out, entry.OrigSize);
  }
  return out;
}
