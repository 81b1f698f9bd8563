#include "script/buffer_type.h"

#include <cstring>

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/LittleEndian.h"

std::optional<Bytes> TBufferManager::Read(size_t length) {
  if (AtEnd()) return std::nullopt;
  const size_t count = length < Remaining() ? length : Remaining();
  Bytes copy(data_ + position_, data_ + position_ + count);
  position_ += count;
  return copy;
}

size_t TBufferManager::ReadInto(size_t length, void* destination) {
  if (AtEnd()) return 0;
  const size_t count = length < Remaining() ? length : Remaining();
  if (count) std::memcpy(destination, data_ + position_, count);
  position_ += count;
  return count;
}

const uint8_t* TBufferManager::Take(size_t count) {
  if (Remaining() < count) return nullptr;
  const uint8_t* start = data_ + position_;
  position_ += count;
  return start;
}

uint8_t ReadByte(TBufferManager& buffer) {
  uint8_t value = 0;
  buffer.ReadInto(1, &value);
  return value;
}

uint16_t ReadInt16(TBufferManager& buffer) {
  uint8_t b[2] = {0, 0};
  buffer.ReadInto(2, b);
  return platform::DecodeFixed16(b);
}

uint32_t ReadInt32(TBufferManager& buffer) {
  uint8_t b[4] = {0, 0, 0, 0};
  buffer.ReadInto(4, b);
  return platform::DecodeFixed32(b);
}

std::string ReadString(TBufferManager& buffer) {
  const uint16_t length = ReadInt16(buffer);
  std::string text(length < buffer.Remaining() ? length : buffer.Remaining(), '\0');
  buffer.ReadInto(text.size(), text.data());
  return text;
}

std::string ReadFileString(platform::File& file) {
  uint8_t b[2] = {0, 0};
  if (file.Read(b, 2) != 2) return {};
  std::string text(platform::DecodeFixed16(b), '\0');
  text.resize(file.Read(text.data(), text.size()));
  return text;
}

bool WriteFileString(platform::File& file, std::string_view text) {
  if (text.size() > kMaxStringLength) return false;
  uint8_t b[2];
  platform::EncodeFixed16(b, static_cast<uint16_t>(text.size()));
  const bool lengthWritten = file.WriteAll(b, 2);
  return file.WriteAll(text.data(), text.size()) && lengthWritten;
}

void AppendByte(Bytes& out, uint8_t value) { out.push_back(value); }

void AppendInt16(Bytes& out, uint16_t value) { platform::PutFixed16(out, value); }

void AppendInt32(Bytes& out, uint32_t value) { platform::PutFixed32(out, value); }

void AppendString(Bytes& out, std::string_view text) {
  if (text.size() > kMaxStringLength)
    throw platform::ESetupError("Text of " + std::to_string(text.size()) +
                                " bytes is too long for a length-prefixed string (at most 65535)");
  AppendInt16(out, static_cast<uint16_t>(text.size()));
  AppendBytes(out, text.data(), text.size());
}

void AppendBytes(Bytes& out, const void* data, size_t count) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  out.insert(out.end(), bytes, bytes + count);
}
