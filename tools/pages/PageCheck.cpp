#include "PageCheck.h"

#include "platform/Dialogs.h"
#include "ui/SE_PageRenderer.h"

namespace {

// The check reads the pages as the wizard does, with its message boxes unanswered:
// what they would say is found and named by the check itself.
class TQuietBoxes {
 public:
  TQuietBoxes() {
    platform::SetMessageBoxHandler([](const std::u16string&, const std::u16string&, platform::MessageButtons,
                                      platform::MessageIcon) { return platform::MessageResult::Ok; });
  }
  ~TQuietBoxes() { platform::SetMessageBoxHandler({}); }
};

std::string Flat(std::string field) {
  for (char& c : field)
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  return field.empty() ? "-" : field;
}

void CheckSet(TSetCheck& check, TPageRenderer* renderer) {
  CheckLayouts(check, renderer);
  std::unique_ptr<TFrmMain> model;
  try {
    model = check.wizard.Build(check.set, 0, nullptr);
  } catch (const std::exception& e) {
    check.Add("error", "-", "-", "-", std::string("the wizard cannot start: ") + e.what());
    return;
  }
  CheckTexts(check, *model);
  if (!renderer) return;
  const std::vector<TPackedLanguage> languages = check.wizard.LanguagesOf(check.set);
  std::unique_ptr<TFrmMain> shown;
  for (size_t i = 0; i < languages.size(); ++i) {
    if (!languages[i].Error.empty()) continue;
    // The next window replaces the last one on the view before the last goes.
    std::unique_ptr<TFrmMain> next = check.wizard.Build(check.set, i, &renderer->View());
    shown = std::move(next);
    CheckCaptionsFit(check, *shown, LanguageHex(languages[i].Table), *renderer);
  }
  renderer->Release();
}

}  // namespace

std::vector<TProblem> CheckPackagePages(const TPackageWizard& wizard, TPageRenderer* renderer) {
  TQuietBoxes quiet;
  std::vector<TProblem> problems;
  for (const TPageSet& set : wizard.PageSets()) {
    TSetCheck check{wizard, set, problems};
    CheckSet(check, renderer);
  }
  return problems;
}

std::string ProblemLine(const TProblem& p) {
  return Flat(p.Severity) + "\t" + Flat(p.Language) + "\t" + Flat(p.Page) + "\t" + Flat(p.Control) + "\t" +
         Flat(p.What);
}

bool HasError(const std::vector<TProblem>& problems) {
  for (const TProblem& p : problems)
    if (p.Severity == "error") return true;
  return false;
}
