// TSEPageControl: the page list, page kinds, and which page and buttons are shown.
#include <cctype>

#include "lang/ZTI_Language.h"
#include "package/ZTI_PakFile.h"
#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "ui/SE_Parser.h"

namespace {

constexpr const char* kKindKeywords[] = {
    "welcome",    "changelog", "installdir",        "patch", "patching", "finish",
    "mainlayout", "uninstall", "languageselection",
};

}  // namespace

std::optional<uint8_t> PageKindFromKeyword(std::string_view keyword) {
  const std::string lower = platform::AsciiLower(keyword);
  for (uint8_t kind = 0; kind < std::size(kKindKeywords); ++kind)
    if (lower == kKindKeywords[kind]) return kind;
  return std::nullopt;
}

const char* PageKindKeyword(uint8_t kind) {
  return kind < std::size(kKindKeywords) ? kKindKeywords[kind] : "?";
}

TEntryReader SetupPakReader() {
  return [](const std::string& name) -> std::optional<std::vector<uint8_t>> {
    TFoundEntry found = SetupPak().FindEntry(name, 0);
    return std::move(found.Data);
  };
}

int32_t ParseLayoutInteger(std::string_view text) {
  const std::string shown(text);
  auto fail = [&]() -> int32_t {
    throw platform::ESetupError("'" + shown + "' is not a valid integer value");
  };
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return fail();
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const int c = std::tolower(static_cast<unsigned char>(text[i]));
    const int digit = std::isdigit(c) ? c - '0' : (base == 16 && c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
    if (digit < 0) return fail();
    value = value * base + static_cast<uint64_t>(digit);
    if (value > 0xFFFFFFFFull) return fail();
  }
  if (base == 10 && value > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return fail();
  // Hexadecimal values wrap into the sign bit, as colour constants need.
  const uint32_t bits = static_cast<uint32_t>(value);
  return static_cast<int32_t>(negative ? 0u - bits : bits);
}

TSEPageControl::TSEPageControl(TControl& back, TControl& next, TControl& cancel, TControl& language,
                               TControl& panel, TEntryReader reader)
    : BackButton(back),
      NextButton(next),
      CancelButton(cancel),
      LanguageButton(language),
      Parent(panel),
      reader_(std::move(reader)) {}

void TSEPageControl::LoadPages(const std::string& entryName) {
  const std::optional<std::vector<uint8_t>> bytes = reader_ ? reader_(entryName) : std::nullopt;
  if (!bytes) {
    platform::ShowMessageBox("Error File Missing: " + entryName, "Missing File");
    return;
  }
  LoadPagesText(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

void TSEPageControl::LoadPagesText(std::string_view text) {
  for (const TSection& section : SplitSections(SplitTrimmedLines(text))) {
    if (platform::SameTextAscii(section.Name, "Pages")) {
      for (int i = 1; i < section.Lines.Count(); ++i) AddPage(section.Lines.Get(i));
    } else if (platform::SameTextAscii(section.Name, "PageTypes")) {
      ApplyPageTypes(section);
    } else if (platform::SameTextAscii(section.Name, "Settings")) {
      ApplySettings(section);
    }
  }
}

void TSEPageControl::ApplyPageTypes(const TSection& section) {
  // Lines beyond the pages have no page to give a kind to; they are ignored.
  for (int i = 1; i < section.Lines.Count() && HasPage(i - 1); ++i) {
    const std::optional<uint8_t> kind = PageKindFromKeyword(section.Lines.Get(i));
    if (!kind) continue;
    TControlParser& page = *Pages[static_cast<size_t>(i - 1)];
    page.PageKind = *kind;
    if (*kind == kPageBackground) {
      page.ShowControls();
      page.SendControlsToBack();
    }
  }
}

void TSEPageControl::ApplySettings(const TSection& section) {
  for (int i = 1; i < section.Lines.Count(); ++i) {
    const std::string line = section.Lines.Get(i);
    try {
      if (platform::SameTextAscii(line.substr(0, 10), "fontcolour"))
        FontColour = ParseLayoutInteger(line.size() > 11 ? line.substr(11) : std::string());
      else if (platform::SameTextAscii(line.substr(0, 6), "colour"))
        Colour = ParseLayoutInteger(line.size() > 7 ? line.substr(7) : std::string());
    } catch (const platform::ESetupError& e) {
      throw platform::ESetupError("Pages.txt [Settings]: " + std::string(e.what()));
    }
  }
}

void TSEPageControl::AddPage(const std::string& layoutName) {
  auto page = std::make_unique<TControlParser>(Parent, reader_);
  page->ParseLayout(layoutName);
  page->HideControls();
  Pages.push_back(std::move(page));
  if (Pages.size() == 1) ShowPage(0);
}

uint8_t TSEPageControl::KindOf(int32_t n) const {
  return HasPage(n) ? Pages[static_cast<size_t>(n)]->PageKind : kPageWelcome;
}

void TSEPageControl::ShowPage(int32_t n) {
  if (!HasPage(n)) return;
  CurrentPage = n;
  SetButtonsFor(n);
  // Hide before showing, so two pages are never visible at once.
  for (size_t i = 0; i < Pages.size(); ++i)
    if (static_cast<int32_t>(i) != n && Pages[i]->PageKind != kPageBackground) Pages[i]->HideControls();
  for (size_t i = 0; i < Pages.size(); ++i)
    if (static_cast<int32_t>(i) == n || Pages[i]->PageKind == kPageBackground) Pages[i]->ShowControls();
  if (OnPageShown) OnPageShown(n);
}

void TSEPageControl::SetButtonsFor(int32_t n) {
  BackButton.SetVisible(true);
  NextButton.SetEnabled(true);
  CancelButton.SetEnabled(true);
  if (n == 0) BackButton.SetVisible(false);
  NextButton.SetCaption(Languages().GetText(13));
  switch (KindOf(n)) {
    case kPageReady: NextButton.SetCaption(Languages().GetText(15)); break;
    case kPageInstalling:
    case kPageUninstalling:
      BackButton.SetVisible(false);
      NextButton.SetEnabled(false);
      CancelButton.SetEnabled(false);
      LanguageButton.SetVisible(false);
      break;
    case kPageFinish:
      CancelButton.SetCaption(Languages().GetText(16));
      BackButton.SetVisible(false);
      NextButton.SetVisible(false);
      break;
    default: break;
  }
}

void TSEPageControl::RelabelAll() {
  for (auto& page : Pages) page->Relabel();
}
