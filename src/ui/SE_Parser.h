// The wizard's pages, built from text in the setup package: the page list
// ("Pages.txt") names one layout entry per page and gives each page its kind; each
// layout describes the page's controls, which are created on the page panel.
//
// Page list:
//   [Pages]       one layout entry name per line, in page order
//   [PageTypes]   the n-th line gives the n-th page its kind (PageKindFromKeyword);
//                 lines beyond the pages are ignored
//   [Settings]    "colour VALUE" (the panel's colour), "fontcolour VALUE"
// Layout: one section per control:
//   [Name]        the control's name (an identifier, unique on the panel)
//   Type=TLabel   the class after the first "=", any case; an unknown class makes nothing
//   Key=Value     properties, split at the first "="; keys any case, values as written
//
// Numbers are 32-bit integers, decimal or "$" hexadecimal; colours are $00BBGGRR;
// a flag is on when its value is "true" in any case. See SE_Parser_Layout.cpp for
// the keys each class takes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/SE_Control.h"
#include "ui/SE_StringList.h"

// Page kinds and the page-list keywords that give them.
inline constexpr uint8_t kPageWelcome = 0;            // "welcome" (and pages without a known kind)
inline constexpr uint8_t kPageChangelog = 1;          // "changelog"
inline constexpr uint8_t kPageInstallDir = 2;         // "installdir"
inline constexpr uint8_t kPageReady = 3;              // "patch": Next reads text 15
inline constexpr uint8_t kPageInstalling = 4;         // "patching": the installation runs on arrival
inline constexpr uint8_t kPageFinish = 5;             // "finish": Cancel reads text 16
inline constexpr uint8_t kPageBackground = 6;         // "mainlayout": always visible, behind the others
inline constexpr uint8_t kPageUninstalling = 7;       // "uninstall": the removal runs on arrival
inline constexpr uint8_t kPageLanguageSelection = 8;  // "languageselection": sets $LANGUAGESELECTION

// The kind of a keyword (any case), or nothing for an unknown keyword.
std::optional<uint8_t> PageKindFromKeyword(std::string_view keyword);
const char* PageKindKeyword(uint8_t kind);

// Reads a package entry by name (any case); nothing when it is missing. The default
// reads group 0 of the program's setup package.
using TEntryReader = std::function<std::optional<std::vector<uint8_t>>(const std::string& name)>;
TEntryReader SetupPakReader();

// A 32-bit integer as page definitions write it: decimal with an optional sign, or
// "$"/"0x" and up to eight hex digits (wrapping into the sign, so $80000008 is a
// system colour). Raises ESetupError "'TEXT' is not a valid integer value".
int32_t ParseLayoutInteger(std::string_view text);

class TControlParser {
 public:
  TControlParser(TControl& parent, TEntryReader reader);

  TStringList Lines;                     // the section being parsed
  TControl& Parent;                      // the page panel
  std::vector<TControl*> Controls;       // in creation order
  std::vector<std::u16string> Captions;  // raw "caption"/"text" values, parallel to Controls
  uint8_t PageKind = kPageWelcome;

  // Reads the layout entry and creates its controls. A missing entry shows
  // "Error File Missing: |NAME|" (caption "Missing File") and leaves the page empty.
  // Raises ESetupError naming the entry and line for a bad number or control name.
  void ParseLayout(const std::string& entryName);
  // The same from the layout's text.
  void ParseLayoutText(std::string_view text, const std::string& entryName);

  void HideControls();
  void ShowControls();
  // Every control of the page behind its siblings, from the last to the first.
  void SendControlsToBack();
  // Captions again from Captions: labels and radio buttons a new caption, panels a
  // new text; the rest stay as they are.
  void Relabel();

 private:
  void ParseSection(const TSection& section, const std::string& entryName);
  void ApplyProperty(size_t index, const std::string& key, const std::string& value);

  TEntryReader reader_;
};

class TSEPageControl {
 public:
  TSEPageControl(TControl& back, TControl& next, TControl& cancel, TControl& language, TControl& panel,
                 TEntryReader reader = SetupPakReader());

  TControl& BackButton;
  TControl& NextButton;
  TControl& CancelButton;
  TControl& LanguageButton;
  TControl& Parent;
  int32_t CurrentPage = 0;
  std::vector<std::unique_ptr<TControlParser>> Pages;
  TColor Colour = 0xFFFFFF;
  TColor FontColour = 0x000000;
  // Told after ShowPage has shown a page (for views that report the flow).
  std::function<void(int32_t page)> OnPageShown;

  // Reads and applies the page list. A missing entry shows "Error File Missing: NAME"
  // (caption "Missing File") and leaves no pages.
  void LoadPages(const std::string& entryName);
  void LoadPagesText(std::string_view text);
  // Parses a layout into a new page, hidden; the first page is shown at once.
  void AddPage(const std::string& layoutName);
  // Shows page n and sets the buttons by its kind; nothing outside 0..last.
  void ShowPage(int32_t n);
  // The buttons' visibility, state and captions for page n's kind (ShowPage's first step).
  void SetButtonsFor(int32_t n);
  void RelabelAll();

  bool HasPage(int32_t n) const { return n >= 0 && n < static_cast<int32_t>(Pages.size()); }
  // The kind of page n; kPageWelcome outside the pages.
  uint8_t KindOf(int32_t n) const;
  uint8_t CurrentKind() const { return KindOf(CurrentPage); }

 private:
  void ApplySettings(const TSection& section);
  void ApplyPageTypes(const TSection& section);

  TEntryReader reader_;
};
