#include "script/ZTI_CompLines.h"

#include "platform/Errors.h"
#include "script/ZTI_CommandTable.h"
#include "script/buffer_type.h"

std::atomic<int32_t> CurrentLine{-1};
std::atomic<bool> AbortRequested{false};
std::atomic<bool> ApplicationTerminating{false};

namespace {

constexpr size_t kRecordHeaderSize = 12;  // Command, LineNo, ParamCount

// One record at the cursor, or false when it runs past the end of the data.
bool ReadLine(TBufferManager& in, TCompLine& line) {
  if (in.Remaining() < kRecordHeaderSize) return false;
  line.Command = static_cast<int32_t>(ReadInt32(in));
  line.LineNo = static_cast<int32_t>(ReadInt32(in));
  const int32_t count = static_cast<int32_t>(ReadInt32(in));
  line.Params.clear();
  for (int32_t p = 0; p < count; ++p) {  // a count of 0 or less is an empty list
    if (in.Remaining() < 2) return false;
    const uint16_t length = ReadInt16(in);
    if (in.Remaining() < length) return false;
    std::string& param = line.Params.emplace_back(length, '\0');
    in.ReadInto(length, param.data());
  }
  return true;
}

}  // namespace

bool TCompLines::LoadFromBuffer(const uint8_t* data, size_t size) {
  Lines.clear();
  TBufferManager in(data, size);
  if (in.Remaining() < 2) return false;
  const uint16_t count = ReadInt16(in);
  std::vector<TCompLine> loaded(count);
  for (TCompLine& line : loaded) {
    if (!ReadLine(in, line) || line.Command > kCommandCount) return false;
    // The setup thread runs a line by its LineNo: it must name a line of this list.
    if (line.Command > 0 && (line.LineNo < 0 || line.LineNo >= count)) return false;
  }
  Lines = std::move(loaded);
  return true;
}

std::vector<uint8_t> TCompLines::SaveToBuffer() const {
  if (Lines.size() > kMaxCompiledLines)
    throw platform::ESetupError("Too many lines to store (" + std::to_string(Lines.size()) +
                                ", at most 65535)");
  Bytes out;
  AppendInt16(out, static_cast<uint16_t>(Lines.size()));
  for (const TCompLine& line : Lines) {
    AppendInt32(out, static_cast<uint32_t>(line.Command));
    AppendInt32(out, static_cast<uint32_t>(line.LineNo));
    AppendInt32(out, static_cast<uint32_t>(line.ParamCount()));
    for (const std::string& param : line.Params) {
      if (param.size() > kMaxParamLength)
        throw platform::ESetupError("Parameter too long to store (" + std::to_string(param.size()) +
                                    " bytes, at most 65535)");
      AppendString(out, param);
    }
  }
  return out;
}

TCompLines& CompLines() {
  static TCompLines lines;
  return lines;
}

bool HasEnoughParams(const TCompLines& lines, int32_t lineIndex, int32_t n) {
  if (lineIndex < 0 || lineIndex >= lines.Count()) return false;
  return lines.Lines[lineIndex].ParamCount() >= n;
}

bool HasEnoughParams(int32_t lineIndex, int32_t n) { return HasEnoughParams(CompLines(), lineIndex, n); }
