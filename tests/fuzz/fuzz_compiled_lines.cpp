// The "CompiledLines" reader on any bytes: it never reads past the data, and what it
// accepts is a list the setup thread can walk (commands within the table, runnable
// lines that name a line of the list) and that stores back to an entry reading the same.
#include <cstdint>
#include <cstdlib>

#include "script/ZTI_CommandTable.h"
#include "script/ZTI_CompLines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TCompLines lines;
  if (!lines.LoadFromBuffer(data, size)) {
    if (!lines.Lines.empty()) std::abort();
    return 0;
  }
  for (const TCompLine& line : lines.Lines) {
    if (line.Command > kCommandCount) std::abort();
    if (line.Command > 0 && (line.LineNo < 0 || line.LineNo >= lines.Count())) std::abort();
  }
  const std::vector<uint8_t> saved = lines.SaveToBuffer();
  TCompLines again;
  if (!again.LoadFromBuffer(saved.data(), saved.size())) std::abort();
  if (again.Count() != lines.Count()) std::abort();
  for (int32_t i = 0; i < lines.Count(); ++i) {
    const TCompLine& a = lines.Lines[i];
    const TCompLine& b = again.Lines[i];
    if (a.Command != b.Command || a.LineNo != b.LineNo || a.Params != b.Params) std::abort();
  }
  return 0;
}
