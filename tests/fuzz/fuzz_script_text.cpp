// mksetup's script-text reader on any text: it either names a line and a fault, or
// gives lines that the "CompiledLines" format can hold and that read back the same.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "script/ZTI_CommandTable.h"
#include "script/ZTI_ScriptText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TCompLines lines;
  if (const auto fault = ParseScriptText(text, lines)) {
    if (fault->line < 1 || fault->text.empty() || !lines.Lines.empty()) std::abort();
    return 0;
  }
  for (int32_t i = 0; i < lines.Count(); ++i) {
    const TCompLine& line = lines.Lines[i];
    if (line.Command < -1 || line.Command > kCommandCount) std::abort();
    if (line.Command >= 0 && line.LineNo != i) std::abort();
    if (line.Command > 0 && line.ParamCount() < CommandInfoOf(line.Command)->minParams) std::abort();
    if (line.Command == kCommandLabel && (line.ParamCount() != 1 || line.Params[0].empty())) std::abort();
  }
  const std::vector<uint8_t> saved = lines.SaveToBuffer();
  TCompLines loaded;
  if (!loaded.LoadFromBuffer(saved.data(), saved.size()) || loaded.Count() != lines.Count()) std::abort();
  return 0;
}
