#include "PagePreview.h"

#include <algorithm>

#include "package/ZTI_PakFile.h"
#include "platform/CodePage.h"
#include "ui/SE_PageRenderer.h"

namespace {

constexpr int32_t kGaugeSteps = 100;

bool Chosen(const TLanguage& table, const std::vector<uint16_t>& chosen) {
  if (chosen.empty()) return true;
  for (const uint16_t id : table.LanguageIds)
    if (std::find(chosen.begin(), chosen.end(), id) != chosen.end()) return true;
  return false;
}

// What a progress page shows once its run has begun: the run's first status line and
// the gauge at half of its steps.
void ShowRunHalfWay(TFrmMain& form, bool uninstall) {
  const std::u16string count =
      platform::AnsiToWide(std::to_string(uninstall ? 0 : SetupPak().CountGrouped()));
  form.ShowStatusText(u"Status: 0 of " + count + (uninstall ? u" items remaining" : u" files extracted"));
  if (form.ProgressGauge) {
    form.ProgressGauge->Gauge()->SetMax(kGaugeSteps);
    form.ProgressGauge->Gauge()->SetProgress(kGaugeSteps / 2);
  }
}

void PreviewLanguage(const TPackageWizard& wizard, const TPageSet& set, size_t language,
                     const std::string& hex, TPageRenderer& renderer, std::unique_ptr<TFrmMain>& shown,
                     const std::function<void(const TPagePicture&, const TPixels&)>& each) {
  // The next window replaces the last one on the view before the last goes.
  std::unique_ptr<TFrmMain> next = wizard.Build(set, language, &renderer.View());
  shown = std::move(next);
  TFrmMain& form = *shown;
  for (int32_t n = 0; form.SEPageControl.HasPage(n); ++n) {
    form.SEPageControl.ShowPage(n);
    const uint8_t kind = form.SEPageControl.KindOf(n);
    if (kind == kPageInstalling || kind == kPageUninstalling) ShowRunHalfWay(form, kind == kPageUninstalling);
    renderer.View().ProcessMessages();
    each({hex, set.FirstNumber + n, kind}, renderer.CaptureClient());
  }
}

}  // namespace

std::string TPagePicture::FileName() const { return Language + "-" + PageLabel(Number, Kind) + ".png"; }

void PreviewPages(const TPackageWizard& wizard, TPageRenderer& renderer, const std::vector<uint16_t>& chosen,
                  const std::function<void(const TPagePicture&, const TPixels&)>& each) {
  std::unique_ptr<TFrmMain> shown;
  for (const TPageSet& set : wizard.PageSets()) {
    const std::vector<TPackedLanguage> languages = wizard.LanguagesOf(set);
    for (size_t i = 0; i < languages.size(); ++i) {
      if (!languages[i].Error.empty() || !Chosen(languages[i].Table, chosen)) continue;
      PreviewLanguage(wizard, set, i, LanguageHex(languages[i].Table), renderer, shown, each);
    }
  }
  renderer.Release();
}
