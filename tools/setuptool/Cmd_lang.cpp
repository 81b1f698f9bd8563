// setuptool lang show FILE: a language table (a ".wri" file or an entry extracted
// from a package) as UTF-8: the name, the identifiers (tab-separated, hex), then one
// "number<TAB>text" line per numbered text.
#include <cstdio>

#include "ToolCommand.h"
#include "ToolFiles.h"
#include "lang/ZTI_Language.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"

namespace setuptool {
namespace {

// A table starts with the byte-order mark of UTF-16.
constexpr uint64_t kLanguageHeaderSize = 2;

int Lang(const std::vector<std::string>& args) {
  if (args.size() != 2 || args[0] != "show") return UsageError("lang");
  const auto bytes = ReadArgumentFile(args[1], kLanguageHeaderSize);
  if (!bytes) return 2;
  TLanguage language;
  try {
    language.LoadFromBuffer(bytes->data(), bytes->size(), args[1]);
  } catch (const platform::ESetupError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 2;
  }
  std::printf("%s\n", platform::WideToUtf8(language.Name).c_str());
  for (size_t i = 0; i < language.LanguageIds.size(); ++i)
    std::printf("%s%04x", i ? "\t" : "", language.LanguageIds[i]);
  std::printf("\n");
  for (const TLID& text : language.Texts)
    std::printf("%u\t%s\n", text.Number, platform::WideToUtf8(text.Text).c_str());
  return 0;
}

}  // namespace

SETUPTOOL_COMMAND("lang", "setuptool lang show FILE", Lang);

}  // namespace setuptool
