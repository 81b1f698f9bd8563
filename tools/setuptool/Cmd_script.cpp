// setuptool script show FILE: the compiled lines of a setup package, one per line:
// index, Command, keyword, LineNo, then the parameters, tab-separated. A label line
// shows "label" as its keyword, a line with nothing to run "-". Parameter bytes
// outside printable ASCII are shown as \xNN.
#include <cstdio>
#include <string>
#include <vector>

#include "ToolCommand.h"
#include "ToolFiles.h"
#include "package/ZTI_PakFile.h"
#include "script/ZTI_CommandTable.h"
#include "script/ZTI_CompLines.h"

namespace setuptool {
namespace {

std::string Escaped(const std::string& text) {
  std::string out;
  for (const unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

std::string KeywordOf(int32_t command) {
  if (const TCommandInfo* info = CommandInfoOf(command)) return std::string(info->keyword);
  return command == kCommandLabel ? "label" : "-";
}

int Show(const std::string& file) {
  TPak pak;
  if (const int status = OpenPackage(file, pak)) return status;
  const TFoundEntry entry = pak.FindEntry("CompiledLines", 0);
  if (!entry.Data) {
    std::fprintf(stderr, "no readable CompiledLines entry in %s\n", file.c_str());
    return 1;
  }
  TCompLines lines;
  if (!lines.LoadFromBuffer(entry.Data->data(), entry.Data->size())) {
    std::fprintf(stderr, "corrupt CompiledLines entry in %s (%s)\n", file.c_str(), kCompiledLinesCorruptText);
    return 1;
  }
  for (int32_t i = 0; i < lines.Count(); ++i) {
    const TCompLine& line = lines.Lines[i];
    std::string row = std::to_string(i);
    row.append("\t").append(std::to_string(line.Command));
    row.append("\t").append(KeywordOf(line.Command));
    row.append("\t").append(std::to_string(line.LineNo));
    for (const std::string& param : line.Params) row.append("\t").append(Escaped(param));
    std::printf("%s\n", row.c_str());
  }
  return 0;
}

int Run(const std::vector<std::string>& args) {
  if (args.size() != 2 || args[0] != "show") return UsageError("script");
  return Show(args[1]);
}

}  // namespace

SETUPTOOL_COMMAND("script",
                  "setuptool script show FILE    the compiled lines: index, Command, keyword, "
                  "LineNo, parameters",
                  Run);

}  // namespace setuptool
