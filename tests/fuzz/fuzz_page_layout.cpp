// Fuzz target: a page layout from the setup package. The controls it makes, their
// properties, captions through the language pipeline and the show/hide/relabel
// walks must cope with any text: no crash, at most an ESetupError naming the line.
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
  TControl panel(TControlKind::Panel, "Panel", nullptr);
  // Pictures and rich edit files named by the layout: a few bytes for names that
  // start with "x", nothing for the rest.
  TControlParser parser(panel, [](const std::string& name) -> std::optional<std::vector<uint8_t>> {
    if (!name.empty() && (name[0] == 'x' || name[0] == 'X'))
      return std::vector<uint8_t>{'{', '\\', 'r', 't', 'f', '}'};
    return std::nullopt;
  });
  try {
    parser.ParseLayoutText(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.txt");
  } catch (const platform::ESetupError&) {
    // a bad number or control name: the wizard reports it
  }
  if (parser.Captions.size() != parser.Controls.size()) __builtin_trap();
  parser.HideControls();
  parser.ShowControls();
  parser.SendControlsToBack();
  parser.Relabel();
  return 0;
}
