// setuptool preview SETUP DIR [--lang HEX]...: every page of the package drawn by
// this system's view into DIR/<lang>-<nn>-<kind>.png, one line per picture on stdout
// (language, page number, kind, file). Without a display on Linux an offscreen one
// is started for the run and stopped after it.
#include <cstdio>

#include "PagePreview.h"
#include "PageTools.h"
#include "PngFile.h"
#include "ToolCommand.h"
#include "ToolFiles.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "ui/SE_PageRenderer.h"

namespace setuptool {
namespace {

std::string Joined(const std::string& dir, const std::string& name) {
  if (!dir.empty() && (dir.back() == '/' || dir.back() == '\\')) return dir + name;
  return dir + (dir.find('\\') != std::string::npos ? "\\" : "/") + name;
}

int Preview(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  std::vector<uint16_t> languages;
  if (!ParsePageToolArguments(args, positional, &languages) || positional.size() != 2)
    return UsageError("preview");
  const std::string& dir = positional[1];
  std::optional<TPageTools> tools = TPageTools::Open(ProgramPath(positional[0]), positional[0]);
  if (!tools) return 2;
  if (!tools->Renderer()) return 1;
  const std::string target = ProgramPath(dir);
  if (!platform::DirectoryExists(target) && !platform::MakeDirectory(target)) {
    std::fprintf(stderr, "cannot make the folder %s: %s\n", dir.c_str(),
                 Terminal(platform::LastErrorText()).c_str());
    return 1;
  }
  bool written = true;
  PreviewPages(tools->Wizard(), *tools->Renderer(), languages,
               [&](const TPagePicture& page, const TPixels& pixels) {
                 const std::vector<uint8_t> png = PngBytesOf(pixels);
                 const std::string name = page.FileName();
                 if (!platform::WriteFileBytes(target + "\\" + name, png.data(), png.size())) {
                   std::fprintf(stderr, "cannot write %s: %s\n", Joined(dir, name).c_str(),
                                Terminal(platform::LastErrorText()).c_str());
                   written = false;
                   return;
                 }
                 std::printf("%s\t%02d\t%s\t%s\n", page.Language.c_str(), page.Number,
                             PageKindKeyword(page.Kind), Joined(dir, name).c_str());
                 std::fflush(stdout);
               });
  return written ? 0 : 1;
}

}  // namespace

SETUPTOOL_COMMAND("preview", "setuptool preview SETUP DIR [--lang HEX]...", Preview);

}  // namespace setuptool
