// Fuzz target: the page list ("Pages.txt") and the layouts it names. The input is
// the page list, then the layouts the pages ask for in turn, separated by NUL bytes
// (the reader stops a text at its first NUL anyway). Adding pages, page kinds,
// colours and walking every page must cope with any text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "ui/SE_Control.h"
#include "ui/SE_Parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    platform::SetMessageBoxHandler([](const std::u16string&, const std::u16string&, platform::MessageButtons,
                                      platform::MessageIcon) { return platform::MessageResult::Ok; });
    return true;
  }();
  (void)quiet;
  std::vector<std::string_view> parts;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  for (size_t from = 0;;) {
    const size_t nul = input.find('\0', from);
    parts.push_back(input.substr(from, nul == std::string_view::npos ? std::string_view::npos : nul - from));
    if (nul == std::string_view::npos) break;
    from = nul + 1;
  }
  size_t next = 1;
  TControl form(TControlKind::Window, "Form", nullptr);
  TControl& back = form.CreateChild(TControlKind::Button, "Back");
  TControl& forward = form.CreateChild(TControlKind::Button, "Next");
  TControl& cancel = form.CreateChild(TControlKind::Button, "Cancel");
  TControl& language = form.CreateChild(TControlKind::BitmapButton, "Language");
  TControl& panel = form.CreateChild(TControlKind::Panel, "Panel");
  TSEPageControl pages(back, forward, cancel, language, panel,
                       [&](const std::string& name) -> std::optional<std::vector<uint8_t>> {
                         if (name == "Pages.txt")
                           return std::vector<uint8_t>(parts[0].begin(), parts[0].end());
                         if (next >= parts.size()) return std::nullopt;
                         const std::string_view part = parts[next++];
                         return std::vector<uint8_t>(part.begin(), part.end());
                       });
  try {
    pages.LoadPages("Pages.txt");
  } catch (const platform::ESetupError&) {
    // a bad layout or setting: the wizard reports it
  }
  const int32_t count = static_cast<int32_t>(pages.Pages.size());
  for (int32_t n = -1; n <= count; ++n) {
    pages.ShowPage(n);
    pages.KindOf(n);
  }
  pages.RelabelAll();
  return 0;
}
