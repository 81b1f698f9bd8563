// The extended package layout (header Version 2): the same 16-byte header at the end,
// a 32-byte locator before it and an extended table with 64-bit positions and sizes,
// a compression method per entry, and solid blocks that several small entries share.
//
// Front to back: the host bytes; the stored data (blocks and entries' own stored
// bytes); the extended table; the locator; the header.
//   Header:  "ZTPF", Version 2, FileCount 0, PakStart u32 (0xFFFFFFFF past 4 GiB),
//            TableOffset u32 (the locator's position, 0xFFFFFFFF past 4 GiB). A
//            program that reads only the first layout finds no entries in it.
//   Locator: "ZTPX", Required u16 (features a reader must know: bit 0, the table
//            is one zstd frame of its bytes, ZTI_PakTableFrame.h),
//            reserved u16, TableOffset u64, TableLength u64, TableCRC u32 (over the
//            table's stored bytes), reserved u32.
//   Table:   PakStart u64;
//            PartCount u32, then per part (data files beside the program): Size u64,
//              SHA-256 (32 bytes), name suffix (u16 length + bytes);
//            BlockCount u32, then per block: Method u8 (2: zstd), Offset u64,
//              StoredSize u64, ContentSize u64, CRC u32 (over the stored bytes);
//            EntryCount u32, then per entry: name (u16 length + bytes), Group u16,
//              Method u8 (0 stored, 1 zlib, 2 in zstd blocks), Block u32, CRC u32,
//              Offset u64, CompSize u64, OrigSize u64.
// Positions are package positions: with no parts, file positions of the program;
// with parts, those of the program below TableOffset, and from TableOffset on those
// of the parts in order (ZTI_PakDataFiles.h).
// A stored entry's CRC covers its content, a zlib entry's its stream (as in the first
// layout), an entry in blocks its content; there Offset is where it starts in the
// content of its first Block, and it runs on into the following blocks when longer.
// All little-endian.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "package/ZTI_PakFile.h"

constexpr uint16_t kExtendedVersion = 2;
// A block decodes to at most this much: the packer makes them smaller, and a table
// that claims more is not trusted with the memory.
constexpr uint64_t kMaxBlockContent = 16ull << 20;
constexpr size_t kLocatorSize = 32;
// The locator's Required bits this program knows.
constexpr uint16_t kZstdTable = 1;
constexpr uint16_t kKnownRequired = kZstdTable;

struct TPakLocator {
  uint16_t Required = 0;
  uint64_t TableOffset = 0;
  uint64_t TableLength = 0;
  uint32_t TableCRC = 0;
};

std::optional<TPakLocator> ParseLocator(const uint8_t* bytes32);
void AppendLocator(Bytes& out, const TPakLocator& locator);

struct TExtendedTable {
  uint64_t PakStart = 0;
  std::vector<TPakPart> Parts;
  std::vector<TPakBlock> Blocks;
  std::vector<TPakFile> Entries;
};

// Why a table cannot be used: it is damaged, or it holds what a newer packaging tool
// writes (a method or a feature this program does not know).
enum class TTableFault { None, Damaged, Newer };

struct TParsedTable {
  TExtendedTable table;
  TTableFault fault = TTableFault::None;
  std::string problem;
};

// Parses the table's bytes; every block an entry names must exist, every block's
// and entry's method must be known.
TParsedTable ParseExtendedTable(const Bytes& bytes);
Bytes BuildExtendedTable(const TExtendedTable& table);
