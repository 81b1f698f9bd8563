#include "ui/silent/SE_SilentView.h"

#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "script/SE_Global.h"
#include "ui/FormMain.h"

namespace {

// One record per line: carriage returns and line feeds become blanks.
std::string OneLine(const std::u16string& text) {
  std::string utf8 = platform::WideToUtf8(text);
  for (char& c : utf8)
    if (c == '\r' || c == '\n') c = ' ';
  return utf8;
}

bool HasDirectoryPage(const TFrmMain& form) {
  if (!form.InstallDirEdit) return false;
  for (const auto& page : form.SEPageControl.Pages)
    if (page->PageKind == kPageInstallDir) return true;
  return false;
}

// What the directory page says, unattended, for a folder whose drive cannot take the
// installation: a missing drive, a CD-ROM, a RAM disk, a UNC or "\\?\" path.
int RefuseDirectory(std::FILE* err, const std::string& utf8Directory) {
  std::fprintf(err, "Cannot install into %s: its drive is missing, a CD-ROM or a RAM disk\n",
               utf8Directory.c_str());
  return platform::kExitScriptFailed;
}

}  // namespace

TSilentView::TSilentView(std::optional<std::string> directory, std::FILE* out, std::FILE* err)
    : directory_(std::move(directory)), out_(out), err_(err) {}

void TSilentView::InstallHandlers() {
  platform::SetMessageBoxHandler({});  // the default prints and answers
  platform::SetListChoiceHandler({});  // the default prints and chooses nothing
  platform::SetOpenDocumentHandler([](const std::string&) {});
}

void TSilentView::ControlChanged(TControl& control, TControlChange change) {
  if (!form_ || change != TControlChange::Caption) return;
  if (&control == form_->StatusLabel) {
    if (control.Caption() == lastStatus_) return;
    lastStatus_ = control.Caption();
    const TGradGauge* gauge = form_->ProgressGauge ? form_->ProgressGauge->Gauge() : nullptr;
    std::fprintf(out_, "status\t%s\t%s\n", gauge ? gauge->Caption().c_str() : "",
                 OneLine(control.Caption()).c_str());
  } else if (&control == form_->FinishTextLabel) {
    std::fprintf(out_, "finish\t%s\n", OneLine(control.Caption()).c_str());
  } else {
    return;
  }
  std::fflush(out_);
}

void TSilentView::PrintPage(const TFrmMain& form) {
  const TSEPageControl& pages = form.SEPageControl;
  std::fprintf(out_, "page\t%d\t%s\n", pages.CurrentPage, PageKindKeyword(pages.CurrentKind()));
  std::fflush(out_);
}

int TSilentView::Run(TFrmMain& form) {
  const bool withoutPage = directory_ && !HasDirectoryPage(form);
  // Without the page nothing else looks at the drive; its free space would read as 0
  // bytes and the run would stop as if the disk were full.
  if (withoutPage && !DriveCanTakeInstallation(*directory_))
    return RefuseDirectory(err_, platform::AnsiToUtf8(*directory_));
  form_ = &form;
  form.SEPageControl.OnPageShown = [this, &form](int32_t) { PrintPage(form); };
  if (withoutPage) form.ChooseInstallDir(*directory_);
  PrintPage(form);
  int status = kExitByOutcome;
  while (!form.Closed()) {
    if (const std::optional<int> stop = Step(form)) {
      status = *stop;
      break;
    }
  }
  form.SEPageControl.OnPageShown = nullptr;
  form_ = nullptr;
  return status;
}

std::optional<int> TSilentView::Step(TFrmMain& form) {
  TSEPageControl& pages = form.SEPageControl;
  const uint8_t kind = pages.CurrentKind();
  if (kind == kPageInstallDir && directory_ && !directoryTyped_ && form.InstallDirEdit) {
    directoryTyped_ = true;
    form.InstallDirEdit->UserSetText(platform::AnsiToWide(*directory_));
  }
  if (kind == kPageFinish) {
    form.CancelButton.Click();
    return std::nullopt;
  }
  if (!form.NextButton.Visible() || !form.NextButton.Enabled()) {
    const TSetupVariables& v = SetupVariables();
    if (kind == kPageReady) {
      std::fprintf(err_, "Not enough free space in %s: %s required, %s available\n",
                   platform::AnsiToUtf8(InstallDir()).c_str(),
                   platform::AnsiToUtf8(v.SpaceRequiredText).c_str(),
                   platform::AnsiToUtf8(v.SpaceAvailableText).c_str());
      return platform::kExitScriptFailed;
    }
    if (kind == kPageInstallDir) {
      return RefuseDirectory(err_, OneLine(form.InstallDirEdit ? form.InstallDirEdit->Caption() : u""));
    }
    form.Close();
    return std::nullopt;
  }
  const int32_t before = pages.CurrentPage;
  form.NextButton.Click();
  // No page follows: leave as a user would, through the quit question.
  if (!form.Closed() && pages.CurrentPage == before) form.Close();
  return std::nullopt;
}
