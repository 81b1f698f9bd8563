#include "package/ZTI_SolidPacker.h"

#include <algorithm>

#include "package/CRC.h"
#include "platform/Errors.h"
#include "platform/OrderedWork.h"

namespace {

// Units packed and waiting for their turn may take this much memory (one alone may
// take more).
constexpr uint64_t kSolidBudget = 256ull << 20;
// How much of a source the trial looks at (the rest is not read for it).
constexpr size_t kTrialRead = 64 << 10;

// Reads length bytes of a source from offset: its content, or its file.
Bytes ReadSource(const TSolidSource& source, uint64_t offset, uint64_t length) {
  if (source.content) {
    const uint64_t end = std::min<uint64_t>(offset + length, source.content->size());
    return Bytes(source.content->begin() + static_cast<ptrdiff_t>(std::min(offset, end)),
                 source.content->begin() + static_cast<ptrdiff_t>(end));
  }
  platform::File file = platform::File::Open(source.path, platform::OpenMode::ReadShared);
  if (!file.IsOpen()) platform::RaiseSystemError("Cannot open file \"" + source.path + "\"");
  if (file.Size() != static_cast<int64_t>(source.size))
    throw platform::ESetupError("File \"" + source.path + "\" changed while the setup was packed");
  Bytes bytes(static_cast<size_t>(length));
  if (file.Seek(static_cast<int64_t>(offset)) < 0 || !file.ReadExact(bytes.data(), bytes.size()))
    platform::RaiseSystemError("Cannot read file \"" + source.path + "\"");
  return bytes;
}

// Entries this short go into the block whatever they hold: decoding them costs little,
// and zstd finds what they share with their neighbours (on a game's data, storing
// entries from 1 KiB on cost 1.2% in size, from 16 KiB on 0.24%, for the same check).
constexpr size_t kSolidTrialMinimum = 16 << 10;

// Content that deflate cannot shrink by 1% (OGG, PNG, JPEG ...) is stored as it is
// beside the block: in the block it would cost a whole decode at every start-up check
// for the little zstd finds repeated between such files. The trial looks at the middle
// of the entry: the first bytes of a sound or an image are headers and tables, which
// deflate does shrink.
bool GoesIntoBlock(const Bytes& bytes) {
  if (bytes.empty()) return false;
  if (bytes.size() < kSolidTrialMinimum) return true;
  const size_t sample = std::min(bytes.size(), kTrialRead);
  return WorthCompressing(bytes.data() + (bytes.size() - sample) / 2, sample);
}

TSolidPacked::Part Stored(Bytes bytes) {
  TSolidPacked::Part part;
  part.length = bytes.size();
  part.crc = Crc32(bytes.data(), bytes.size());
  part.stored = std::move(bytes);
  return part;
}

TSolidPacked PackStretch(const TSolidSource& source, const TSolidUnit& unit, int level) {
  TSolidPacked packed;
  // Every stretch of an entry is judged by the entry's first bytes, so all of it goes
  // the same way.
  const Bytes head =
      unit.stretchOffset == 0 ? Bytes() : ReadSource(source, 0, std::min<uint64_t>(kTrialRead, source.size));
  Bytes stretch = ReadSource(source, unit.stretchOffset, unit.stretchLength);
  const Bytes& judged = unit.stretchOffset == 0 ? stretch : head;
  if (!WorthCompressing(judged.data(), judged.size())) {
    packed.parts.push_back(Stored(std::move(stretch)));
    return packed;
  }
  TSolidPacked::Part part;
  part.inBlock = true;
  part.length = stretch.size();
  part.crc = Crc32(stretch.data(), stretch.size());
  packed.frame = CompressZstd(stretch.data(), stretch.size(), level);
  packed.contentSize = stretch.size();
  packed.parts.push_back(std::move(part));
  return packed;
}

}  // namespace

std::vector<TSolidUnit> PlanSolidUnits(const std::vector<TSolidSource>& sources, uint64_t blockSize) {
  std::vector<TSolidUnit> units;
  uint64_t filled = 0;  // of the last unit, when it takes whole sources
  bool open = false;
  for (size_t i = 0; i < sources.size(); ++i) {
    const TSolidSource& source = sources[i];
    if (source.size > blockSize) {
      for (uint64_t at = 0; at < source.size; at += blockSize)
        units.push_back({i, 1, at, std::min(blockSize, source.size - at)});
      open = false;
      continue;
    }
    if (!open || sources[units.back().first].group != source.group || filled + source.size > blockSize) {
      units.push_back({i, 0, 0, 0});
      filled = 0;
      open = true;
    }
    units.back().count++;
    filled += source.size;
  }
  return units;
}

TSolidPacked PackSolidUnit(const std::vector<TSolidSource>& sources, const TSolidUnit& unit, int level,
                           bool storeIncompressible) {
  if (unit.stretchLength != 0) return PackStretch(sources[unit.first], unit, level);
  TSolidPacked packed;
  Bytes content;
  for (size_t i = unit.first; i < unit.first + unit.count; ++i) {
    Bytes bytes = ReadSource(sources[i], 0, sources[i].size);
    if (bytes.empty() || (storeIncompressible && !GoesIntoBlock(bytes))) {
      packed.parts.push_back(Stored(std::move(bytes)));
      continue;
    }
    TSolidPacked::Part part;
    part.inBlock = true;
    part.at = content.size();
    part.length = bytes.size();
    part.crc = Crc32(bytes.data(), bytes.size());
    content.insert(content.end(), bytes.begin(), bytes.end());
    packed.parts.push_back(std::move(part));
  }
  if (!content.empty()) packed.frame = CompressZstd(content.data(), content.size(), level);
  packed.contentSize = content.size();
  return packed;
}

bool TSolidWriter::Store(const TSolidUnit& unit, const TSolidPacked& packed) {
  std::optional<uint32_t> block;
  if (!packed.frame.empty()) {
    TPakBlock planned;
    planned.ContentSize = packed.contentSize;
    block = pak_.AppendBlock(planned, packed.frame);
    if (!block) return false;
  }
  for (size_t k = 0; k < packed.parts.size(); ++k)
    if (!StorePart(unit.first + k, unit, packed.parts[k], block)) return false;
  return true;
}

bool TSolidWriter::StorePart(size_t s, const TSolidUnit& unit, const TSolidPacked::Part& part,
                             std::optional<uint32_t> block) {
  const TSolidSource& source = sources_[s];
  const bool stretch = unit.stretchLength != 0;
  if (!stretch || unit.stretchOffset == 0) {
    current_ = pak_.NewEntry(source.name, source.path, source.group);
    crc_ = 0;
    if (part.inBlock) {
      if (!pak_.AddBlockEntry(current_, *block, part.at, stretch ? source.size : part.length, part.crc))
        return false;
    } else {
      TPackedContent first;
      first.CRC = part.crc;
      first.OrigSize = stretch ? source.size : part.length;
      first.Stored = part.stored;
      if (!pak_.StorePacked(current_, first)) return false;
    }
  } else if (!part.inBlock && !pak_.ExtendStored(current_, part.stored.data(), part.stored.size())) {
    return false;  // a stretch in a block needs no record: the entry runs on into it
  }
  if (!stretch) return true;
  crc_ = Crc32Combine(crc_, part.crc, part.length);
  if (unit.stretchOffset + unit.stretchLength == source.size) pak_.SetContentChecksum(current_, crc_);
  return true;
}

void PackSolid(TPak& pak, const std::vector<TSolidSource>& sources, const TSolidOptions& options,
               const std::function<void(size_t)>& progress) {
  pak.UseExtendedLayout();
  pak.CompressExtendedTable();
  const std::vector<TSolidUnit> units = PlanSolidUnits(sources, options.blockSize);
  TSolidWriter writer(pak, sources);
  const auto cost = [&](size_t u) {
    if (units[u].stretchLength != 0) return 2 * units[u].stretchLength;
    uint64_t total = 0;
    for (size_t i = units[u].first; i < units[u].first + units[u].count; ++i) total += 2 * sources[i].size;
    return total;
  };
  platform::RunInOrder<TSolidPacked>(
      units.size(), {std::max(options.workers, 1u), 0, kSolidBudget}, cost,
      [&](unsigned, size_t u) {
        return PackSolidUnit(sources, units[u], options.level, options.storeIncompressible);
      },
      [&](size_t u, TSolidPacked&& packed) {
        if (!writer.Store(units[u], packed))
          platform::RaiseSystemError("Cannot write file \"" + pak.FileName() + "\"");
        const TSolidUnit& unit = units[u];
        const bool lastStretch = unit.stretchOffset + unit.stretchLength == sources[unit.first].size;
        if (unit.stretchLength == 0 || lastStretch)
          for (size_t i = unit.first; i < unit.first + std::max<size_t>(unit.count, 1); ++i)
            if (progress) progress(i);
        return true;
      });
}
