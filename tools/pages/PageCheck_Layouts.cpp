// The page list and layouts read as text, as the parser reads them: the entries they
// name, the controls' names and the well-known controls each page kind needs.
#include <map>

#include "PageCheck.h"
#include "platform/CodePage.h"
#include "ui/SE_LanguageStrings.h"
#include "ui/SE_PageRenderer.h"
#include "ui/SE_StringList.h"

namespace {

struct TLayoutControl {
  std::string Name, Type;          // the type lower-cased, without "t" ("label", "image" ...)
  std::vector<std::string> Files;  // the values of its "file" lines
};

struct TListedPage {
  std::string Layout;
  uint8_t Kind = kPageWelcome;
};

std::vector<TListedPage> ListedPages(const std::vector<uint8_t>& pageList) {
  std::vector<TListedPage> pages;
  for (const TSection& section : SplitSections(SplitTrimmedLines(pageList.data(), pageList.size()))) {
    const std::string name = platform::AsciiLower(section.Name);
    for (int i = 1; i < section.Lines.Count(); ++i) {
      if (name == "pages") pages.push_back({section.Lines.Get(i), kPageWelcome});
      if (name == "pagetypes" && static_cast<size_t>(i) <= pages.size())
        if (const std::optional<uint8_t> kind = PageKindFromKeyword(section.Lines.Get(i)))
          pages[static_cast<size_t>(i - 1)].Kind = *kind;
    }
  }
  return pages;
}

std::vector<TLayoutControl> LayoutControls(const std::vector<uint8_t>& layout) {
  std::vector<TLayoutControl> controls;
  for (const TSection& section : SplitSections(SplitTrimmedLines(layout.data(), layout.size()))) {
    const std::string typeLine = section.Lines.Get(1);
    const size_t eq = typeLine.find('=');
    TLayoutControl control{
        section.Name, platform::AsciiLower(eq == std::string::npos ? "" : typeLine.substr(eq + 1)), {}};
    for (int i = 2; i < section.Lines.Count(); ++i) {
      const std::string line = section.Lines.Get(i);
      const size_t split = line.find('=');
      if (split != std::string::npos && platform::AsciiLower(line.substr(0, split)) == "file")
        control.Files.push_back(line.substr(split + 1));
    }
    controls.push_back(std::move(control));
  }
  return controls;
}

// The well-known controls a page kind cannot do without, and how bad their absence is.
struct TNeeded {
  uint8_t kind;
  const char* name;
  const char* severity;
  const char* role;
};
constexpr TNeeded kNeeded[] = {
    {kPageInstallDir, "installdir_edit", "error", "the installation directory's edit box"},
    {kPageInstalling, "patching_statuslabel", "error", "the status line"},
    {kPageInstalling, "patching_progressbar", "error", "the progress gauge"},
    {kPageUninstalling, "patching_statuslabel", "error", "the status line"},
    {kPageUninstalling, "patching_progressbar", "error", "the progress gauge"},
    {kPageFinish, "finishtext", "warning", "the finish text"},
};

class TLayoutCheck {
 public:
  TLayoutCheck(TSetCheck& check, TPageRenderer* renderer)
      : check_(check), renderer_(renderer), read_(check.wizard.ReaderFor(check.set)) {}

  void Run() {
    const std::string listName = check_.set.Prefix + "Pages.txt";
    const std::optional<std::vector<uint8_t>> list = read_("Pages.txt");
    if (!list) return check_.Add("error", "-", "-", "-", "the page list " + listName + " is missing");
    pages_ = ListedPages(*list);
    const std::vector<TListedPage>& pages = pages_;
    if (pages.empty())
      return check_.Add("error", "-", "-", "-", "the page list " + listName + " names no page");
    std::vector<std::vector<TLayoutControl>> controls(pages.size());
    for (size_t n = 0; n < pages.size(); ++n) controls[n] = ReadLayout(n, pages[n]);
    const std::vector<TLayoutControl>* background = nullptr;
    for (size_t n = 0; n < pages.size(); ++n)
      if (pages[n].Kind == kPageBackground) background = &controls[n];
    for (size_t n = 0; n < pages.size(); ++n) {
      CheckNames(n, pages[n], controls[n]);
      CheckFiles(pages[n], controls[n], n);
      CheckNeeded(n, pages[n], controls[n], background);
    }
  }

 private:
  std::string Label(size_t n, const TListedPage& page) const {
    return PageLabel(check_.set.FirstNumber + static_cast<int32_t>(n), page.Kind);
  }

  std::vector<TLayoutControl> ReadLayout(size_t n, const TListedPage& page) {
    const std::optional<std::vector<uint8_t>> layout = read_(page.Layout);
    if (layout) return LayoutControls(*layout);
    check_.Add("error", "-", Label(n, page), "-",
               "the layout " + check_.set.Prefix + page.Layout + " is missing");
    return {};
  }

  void CheckNames(size_t n, const TListedPage& page, const std::vector<TLayoutControl>& controls) {
    for (const TLayoutControl& c : controls) {
      const std::string key = platform::AsciiLower(c.Name);
      const auto [seen, fresh] = named_.emplace(key, n);
      if (fresh) continue;
      const std::string where =
          seen->second == n ? "this page" : "page " + Label(seen->second, pages_[seen->second]);
      check_.Add("error", "-", Label(n, page), c.Name, "another control of " + where + " has the same name");
    }
  }

  void CheckFiles(const TListedPage& page, const std::vector<TLayoutControl>& controls, size_t n) {
    for (const TLayoutControl& c : controls) {
      for (const std::string& file : c.Files) {
        if (c.Type == "timage") CheckPicture(Label(n, page), c.Name, file);
        if (c.Type == "trichedit") {
          // The rich edit's name may hold caption macros ("<%CHANGELOG%>").
          const std::string name =
              platform::WideToAnsi(LanguageStrings().ExpandCaptionMacros(platform::AnsiToWide(file)));
          if (!read_(name))
            check_.Add("error", "-", Label(n, page), c.Name, "the text file " + name + " is missing");
        }
      }
    }
  }

  void CheckPicture(const std::string& page, const std::string& control, const std::string& file) {
    const std::optional<std::vector<uint8_t>> bytes = read_(file);
    if (!bytes) return check_.Add("error", "-", page, control, "the picture " + file + " is missing");
    if (renderer_ && !renderer_->CanLoadPicture(file, *bytes))
      check_.Add("error", "-", page, control,
                 "the picture " + file +
                     " cannot be loaded (not a JPEG, PNG, BMP or GIF the view reads, or over " +
                     std::to_string(kMaxPictureSide) + " pixels a side)");
  }

  void CheckNeeded(size_t n, const TListedPage& page, const std::vector<TLayoutControl>& controls,
                   const std::vector<TLayoutControl>* background) {
    auto has = [](const std::vector<TLayoutControl>* list, const char* name) {
      if (!list) return false;
      for (const TLayoutControl& c : *list)
        if (platform::AsciiLower(c.Name) == name) return true;
      return false;
    };
    for (const TNeeded& needed : kNeeded)
      if (needed.kind == page.Kind && !has(&controls, needed.name) && !has(background, needed.name))
        check_.Add(needed.severity, "-", Label(n, page), needed.name,
                   std::string("the page has no ") + needed.name + " (" + needed.role + ")");
  }

  TSetCheck& check_;
  TPageRenderer* renderer_;
  TEntryReader read_;
  std::map<std::string, size_t> named_;  // lower-cased name -> page of its first control
  std::vector<TListedPage> pages_;       // as the page list names them
};

}  // namespace

void CheckLayouts(TSetCheck& check, TPageRenderer* renderer) { TLayoutCheck(check, renderer).Run(); }
