#include "package/ZTI_SignedProgram.h"

#include <cstring>

#include "platform/LittleEndian.h"

namespace {

constexpr uint32_t kPeOffsetField = 0x3C;  // e_lfanew in the DOS header
constexpr uint32_t kFileHeaderSize = 20;   // after "PE\0\0"
constexpr uint16_t kMagicPe32 = 0x10B, kMagicPe32Plus = 0x20B;
constexpr uint32_t kSecurityDirectory = 4;

using platform::DecodeFixed16;
using platform::DecodeFixed32;

}  // namespace

std::optional<TCertificateTable> FindCertificateTable(const TReadAt& read, uint64_t fileSize) {
  uint8_t dos[64];
  if (fileSize < sizeof dos || !read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z')
    return std::nullopt;
  const uint32_t pe = DecodeFixed32(dos + kPeOffsetField);
  uint8_t head[4 + kFileHeaderSize + 2];
  if (!read(pe, head, sizeof head) || std::memcmp(head, "PE\0\0", 4) != 0) return std::nullopt;
  const uint16_t optionalSize = DecodeFixed16(head + 4 + 16);
  const uint16_t magic = DecodeFixed16(head + 4 + kFileHeaderSize);
  // The data directories follow the fixed fields, whose length depends on the kind;
  // the count of directories stands just before them.
  const uint32_t directoriesAt = magic == kMagicPe32 ? 96 : magic == kMagicPe32Plus ? 112 : 0;
  if (directoriesAt == 0 || optionalSize < directoriesAt + (kSecurityDirectory + 1) * 8) return std::nullopt;
  const uint64_t optional = static_cast<uint64_t>(pe) + 4 + kFileHeaderSize;
  uint8_t count[4], entry[8];
  if (!read(optional + directoriesAt - 4, count, 4) || DecodeFixed32(count) <= kSecurityDirectory)
    return std::nullopt;
  TCertificateTable table;
  table.DirectoryPosition = optional + directoriesAt + kSecurityDirectory * 8;
  if (!read(table.DirectoryPosition, entry, 8)) return std::nullopt;
  table.Offset = DecodeFixed32(entry);
  table.Size = DecodeFixed32(entry + 4);
  if (table.Offset == 0 || table.Size == 0) return std::nullopt;
  return table;
}

uint64_t UnsignedContentEnd(const TReadAt& read, uint64_t fileSize) {
  const std::optional<TCertificateTable> table = FindCertificateTable(read, fileSize);
  if (table && static_cast<uint64_t>(table->Offset) + table->Size == fileSize) return table->Offset;
  return fileSize;
}

TReadAt ReadAtOf(platform::File& file) {
  return [&file](uint64_t position, uint8_t* into, size_t count) {
    return file.Seek(static_cast<int64_t>(position)) >= 0 && file.ReadExact(into, count);
  };
}

void ClearCertificateEntry(uint8_t* head, size_t headSize, const TCertificateTable& table) {
  if (table.DirectoryPosition + 8 <= headSize) std::memset(head + table.DirectoryPosition, 0, 8);
}

bool RemoveSignature(platform::File& file) {
  const int64_t size = file.Size();
  if (size < 0) return false;
  const std::optional<TCertificateTable> table =
      FindCertificateTable(ReadAtOf(file), static_cast<uint64_t>(size));
  if (!table || static_cast<uint64_t>(table->Offset) + table->Size != static_cast<uint64_t>(size))
    return true;
  const uint8_t zeros[8] = {};
  return file.Seek(table->DirectoryPosition) >= 0 && file.WriteAll(zeros, sizeof zeros) &&
         file.Seek(table->Offset) >= 0 && file.SetEndOfFile();
}
