// The data files beside a split setup program. A package too large for one program
// file keeps its first stored bytes in the program and the rest in data files named
// after it ("MyAddon_Setup-1.bin", "-2.bin" ...). Positions are package-wide: the
// program's own stored bytes end where its table begins, and the positions from there
// on continue through the data files in order, as if they were put in the table's
// place. An entry or block may thus run on from one file into the next.
//
// The table records each data file's size and SHA-256, so the program (and its
// signature) vouches for them. Each is opened once, with writers shut out where the
// system can, checked whole, and then read only through that handle: a data file
// swapped after the check is never read.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Files.h"

// A data file as the table records it.
struct TPakPart {
  uint64_t Size = 0;
  std::array<uint8_t, 32> Sha256{};
  std::string Suffix;
};

// A data file that cannot be used, and why ("is missing", "is 5 bytes long ...").
struct TDataFileFault {
  std::string path;
  std::string problem;
  std::string Text() const { return "The data file \"" + path + "\" " + problem; }
};

// Told the bytes checked so far of all data files, and their total.
using TDataFileProgress = std::function<void(uint64_t done, uint64_t total)>;

class TPakDataFiles {
 public:
  // The data files the table lists; the first begins at package position start.
  void Plan(std::vector<TPakPart> parts, uint64_t start);
  const std::vector<TPakPart>& Parts() const { return parts_; }
  bool Empty() const { return parts_.empty(); }
  uint64_t Start() const { return start_; }
  // The package position after the last data file's last byte.
  uint64_t End() const;
  // All data files were opened and passed the check.
  bool Attached() const { return !parts_.empty() && files_.size() == parts_.size(); }
  // The file name of a data file: stem and its recorded suffix.
  std::string PathOf(size_t part) const { return stem_ + parts_[part].Suffix; }

  // Opens and checks the data files named stem + suffix, in order: present, as long
  // as recorded, with the recorded SHA-256. The first fault, with none left open;
  // nothing when all passed.
  std::optional<TDataFileFault> Attach(const std::string& stem, const TDataFileProgress& progress = {});
  // Reads count bytes at a package position at or after Start() through the checked
  // handles; false when not attached or the bytes lie beyond the last data file.
  // Safe from several threads at once.
  bool ReadAt(uint64_t position, uint8_t* into, size_t count) const;
  void Close() { files_.clear(); }

 private:
  std::optional<TDataFileFault> Check(size_t part, platform::File& file, uint64_t& done, uint64_t total,
                                      const TDataFileProgress& progress) const;

  std::vector<TPakPart> parts_;
  uint64_t start_ = 0;
  std::string stem_;
  std::vector<platform::File> files_;
};

// A program's path without the extension of its file name: its data files' stem.
std::string DataFileStemOf(const std::string& programPath);
// The suffix of data file number (from 1): the only suffix a table may record for
// it, so that no table can send the setup to another folder or file.
std::string DataFileSuffix(size_t number);
