// TControlParser: one page's layout, its controls and the keys each class takes.
//
//   key                          classes
//   left top width height enabled  all
//   caption                      label, radio button, panel   (caption pipeline)
//   text                         edit box (caption pipeline); memo, rich edit ("<BR>" only)
//   fontface fontsize fontcolour fontbold   label, radio, edit, panel, memo, rich edit
//   autosize                     label, edit box
//   wordwrap                     label
//   transparent                  label, picture
//   checked                      radio button
//   border                       memo, rich edit
//   file                         rich edit (name after the caption macros), picture
//   stretch center tile          picture
//   forecolour backcolour        gauge
#include <algorithm>

#include "lang/ZTI_ReplaceText.h"
#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "ui/SE_LanguageStrings.h"
#include "ui/SE_Parser.h"

namespace {

struct TClassEntry {
  const char* type;  // the layout's class, lower-cased
  TControlKind kind;
};

constexpr TClassEntry kClasses[] = {
    {"tlabel", TControlKind::Label},
    {"tedit", TControlKind::Edit},
    {"tshelltreeview", TControlKind::ShellTreeView},
    {"tbutton", TControlKind::Button},
    {"timage", TControlKind::Image},
    {"tpanel", TControlKind::Panel},
    {"tbevel", TControlKind::Bevel},
    {"tmemo", TControlKind::Memo},
    {"trichedit", TControlKind::RichEdit},
    {"tprogressbar", TControlKind::Gauge},
    {"tradio", TControlKind::Radio},
};

std::optional<TControlKind> KindOfType(const std::string& type) {
  const std::string lower = platform::AsciiLower(type);
  for (const TClassEntry& entry : kClasses)
    if (lower == entry.type) return entry.kind;
  return std::nullopt;
}

bool IsOneOf(TControlKind kind, std::initializer_list<TControlKind> kinds) {
  return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
}

bool Flag(const std::string& value) { return platform::AsciiLower(value) == "true"; }

bool TakesFont(TControlKind k) {
  using K = TControlKind;
  return IsOneOf(k, {K::Label, K::Radio, K::Edit, K::Panel, K::Memo, K::RichEdit});
}

// A caption as a panel keeps it: in the system code page.
std::u16string ThroughCodePage(const std::u16string& text) {
  return platform::AnsiToWide(platform::WideToAnsi(text));
}

}  // namespace

TControlParser::TControlParser(TControl& parent, TEntryReader reader)
    : Parent(parent), reader_(std::move(reader)) {}

void TControlParser::ParseLayout(const std::string& entryName) {
  const std::optional<std::vector<uint8_t>> bytes = reader_ ? reader_(entryName) : std::nullopt;
  if (!bytes) {
    platform::ShowMessageBox("Error File Missing: |" + entryName + "|", "Missing File");
    return;
  }
  ParseLayoutText(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), entryName);
}

void TControlParser::ParseLayoutText(std::string_view text, const std::string& entryName) {
  for (const TSection& section : SplitSections(SplitTrimmedLines(text))) ParseSection(section, entryName);
}

void TControlParser::ParseSection(const TSection& section, const std::string& entryName) {
  Lines = section.Lines;
  auto where = [&](int line) {
    return entryName + " line " + std::to_string(section.Numbers[static_cast<size_t>(line)]) + ": ";
  };
  const std::string typeLine = Lines.Get(1);
  const size_t eq = typeLine.find('=');
  const std::optional<TControlKind> kind =
      KindOfType(eq == std::string::npos ? std::string() : typeLine.substr(eq + 1));
  if (!kind) return;
  TControl* control = nullptr;
  try {
    control = &Parent.CreateChild(*kind, section.Name);
  } catch (const platform::ESetupError& e) {
    throw platform::ESetupError(where(0) + e.what());
  }
  Controls.push_back(control);
  Captions.emplace_back();
  for (int i = 2; i < Lines.Count(); ++i) {
    const std::string line = Lines.Get(i);
    const size_t split = line.find('=');
    if (split == std::string::npos) continue;
    try {
      ApplyProperty(Controls.size() - 1, platform::AsciiLower(line.substr(0, split)), line.substr(split + 1));
    } catch (const platform::ESetupError& e) {
      throw platform::ESetupError(where(i) + e.what());
    }
  }
}

void TControlParser::ApplyProperty(size_t index, const std::string& key, const std::string& value) {
  using K = TControlKind;
  TControl& c = *Controls[index];
  const K kind = c.Kind();
  const std::u16string wide = platform::AnsiToWide(value);

  if (key == "left") return c.SetLeft(ParseLayoutInteger(value));
  if (key == "top") return c.SetTop(ParseLayoutInteger(value));
  if (key == "width") return c.SetWidth(ParseLayoutInteger(value));
  if (key == "height") return c.SetHeight(ParseLayoutInteger(value));
  if (key == "enabled") return c.SetEnabled(Flag(value));

  if ((key == "caption" && IsOneOf(kind, {K::Label, K::Radio, K::Panel})) ||
      (key == "text" && kind == K::Edit)) {
    Captions[index] = wide;
    const std::u16string caption = CaptionPipeline(wide);
    return c.SetCaption(kind == K::Panel ? ThroughCodePage(caption) : caption);
  }
  if (key == "text" && IsOneOf(kind, {K::Memo, K::RichEdit}))
    return c.SetCaption(ReplaceText(wide, u"<BR>", u"\r"));

  if (TakesFont(kind) && key.rfind("font", 0) == 0) {
    TFontSpec font = c.Font();
    if (key == "fontface") font.Face = value;
    else if (key == "fontsize") font.Size = ParseLayoutInteger(value);
    else if (key == "fontcolour") font.Colour = ParseLayoutInteger(value);
    else if (key == "fontbold") font.Bold = Flag(value);
    return c.SetFont(font);
  }
  if (key == "autosize" && IsOneOf(kind, {K::Label, K::Edit})) return c.SetAutoSize(Flag(value));
  if (key == "wordwrap" && kind == K::Label) return c.SetWordWrap(Flag(value));
  if (key == "transparent" && IsOneOf(kind, {K::Label, K::Image})) return c.SetTransparent(Flag(value));
  if (key == "checked" && kind == K::Radio) return c.SetChecked(Flag(value));
  if (key == "border" && IsOneOf(kind, {K::Memo, K::RichEdit})) return c.SetBorder(Flag(value));

  if (key == "file" && kind == K::RichEdit) {
    const std::string name = platform::WideToAnsi(LanguageStrings().ExpandCaptionMacros(wide));
    std::optional<std::vector<uint8_t>> bytes = reader_ ? reader_(name) : std::nullopt;
    if (!bytes) {
      platform::ShowMessageBox("Error: File \"" + name + "\" Missing", "Rich Edit Error");
      return;
    }
    return c.SetRichText(std::move(*bytes));
  }
  if (kind == K::Image) {
    if (key == "file") return c.SetPicture(value, reader_ ? reader_(value) : std::nullopt);
    if (key == "stretch") return c.SetStretch(Flag(value));
    if (key == "center") return c.SetCenter(Flag(value));
    if (key == "tile" && Flag(value)) return c.TilePicture();
  }
  if (kind == K::Gauge) {
    if (key == "forecolour") {
      const TColor colour = ParseLayoutInteger(value);
      c.Gauge()->SetColor1(colour);
      return c.Gauge()->SetColor2(colour);
    }
    if (key == "backcolour") return c.Gauge()->SetBackcolor(ParseLayoutInteger(value));
  }
}

void TControlParser::HideControls() {
  for (TControl* c : Controls) c->SetVisible(false);
}

void TControlParser::ShowControls() {
  for (TControl* c : Controls) c->SetVisible(true);
}

void TControlParser::SendControlsToBack() {
  for (auto it = Controls.rbegin(); it != Controls.rend(); ++it) (*it)->SendToBack();
}

void TControlParser::Relabel() {
  for (size_t i = 0; i < Controls.size(); ++i) {
    TControl& c = *Controls[i];
    const TControlKind kind = c.Kind();
    if (kind == TControlKind::Label || kind == TControlKind::Radio)
      c.SetCaption(CaptionPipeline(Captions[i]));
    else if (kind == TControlKind::Panel) c.SetCaption(ThroughCodePage(CaptionPipeline(Captions[i])));
  }
}
