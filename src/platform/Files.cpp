// What files mean on every system: the File object's ownership and the whole-file
// helpers, on top of whichever OS half opens, reads and writes.
#include "platform/Files.h"

namespace platform {

File::~File() { Close(); }

File::File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = kClosed; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = kClosed;
  }
  return *this;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path) {
  File file = File::Open(path, OpenMode::ReadShared);
  if (!file.IsOpen()) return std::nullopt;
  std::vector<uint8_t> bytes;
  const int64_t size = file.Size();
  if (size > 0) bytes.reserve(static_cast<size_t>(size));
  uint8_t buffer[1 << 16];
  while (const size_t got = file.Read(buffer, sizeof buffer)) bytes.insert(bytes.end(), buffer, buffer + got);
  // Less than the file held is a read the system refused (its reason stays), not the
  // file's content.
  if (size > 0 && bytes.size() < static_cast<uint64_t>(size)) return std::nullopt;
  return bytes;
}

bool WriteFileBytes(const std::string& path, const void* data, size_t count) {
  File file = File::Open(path, OpenMode::CreateTruncate);
  return file.IsOpen() && file.WriteAll(data, count);
}

}  // namespace platform
