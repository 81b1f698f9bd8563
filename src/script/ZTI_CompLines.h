// The compiled script: one stored line per source line, as the package entry
// "CompiledLines" carries it, and the two values the setup thread shares with the
// commands while it walks the lines.
//
// Entry format, little-endian, no header or trailer:
//   u16 line count, then per line:
//     i32 Command   1..32 a command number (ZTI_CommandTable.h), 0 a label, -1 nothing
//     i32 LineNo    the line's own index (the run side passes it as the line index);
//                   -1 on lines stored with Command -1
//     i32 ParamCount, then ParamCount strings (u16 length + 8-bit bytes)
// The stored order (Command, LineNo, ParamCount) differs from the field order below.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TCompLine {
  int32_t Command = -1;
  std::vector<std::string> Params;  // 8-bit texts, in script order
  int32_t LineNo = -1;

  int32_t ParamCount() const { return static_cast<int32_t>(Params.size()); }
};

// What start-up shows (caption "Verification Error") when the entry is refused.
inline constexpr const char* kCompiledLinesCorruptText = "Error: Compiled Lines Corrupt. Setup is corrupt";

// At most this many lines, and this many bytes in one parameter, can be stored.
inline constexpr size_t kMaxCompiledLines = 65535;
inline constexpr size_t kMaxParamLength = 65535;

class TCompLines {
 public:
  std::vector<TCompLine> Lines;

  // Replaces Lines with the records of a "CompiledLines" entry. A record that runs
  // past the end of the data, a Command above the table, or a runnable line whose
  // LineNo is not an index of the list makes the whole entry corrupt: Lines is left
  // empty and the result is false, so nothing is ever dispatched beyond the data or
  // the table.
  bool LoadFromBuffer(const uint8_t* data, size_t size);

  // The entry's bytes. Raises ESetupError when there are more lines, or a longer
  // parameter, than the format can hold.
  std::vector<uint8_t> SaveToBuffer() const;

  int32_t Count() const { return static_cast<int32_t>(Lines.size()); }
};

// The program's one compiled script.
TCompLines& CompLines();

// True when the line exists and has at least n parameters.
bool HasEnoughParams(const TCompLines& lines, int32_t lineIndex, int32_t n);
// The same on the program's compiled script.
bool HasEnoughParams(int32_t lineIndex, int32_t n);

// The index of the line being run. The setup thread increments it before each line;
// a command that jumps stores the target here.
extern std::atomic<int32_t> CurrentLine;
// Set by `failure` and by a failed archive update; ends the walk after the current
// line. Never reset while the program runs.
extern std::atomic<bool> AbortRequested;
// Set when the program is ending (the front end sets it as it quits); a command that
// waits, such as `execute` for its program, stops waiting.
extern std::atomic<bool> ApplicationTerminating;
