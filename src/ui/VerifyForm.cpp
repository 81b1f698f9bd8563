#include "ui/VerifyForm.h"

#include "ui/SE_View.h"

TFrmVerify::TFrmVerify(TWizardView* view) : view_(view) { Repaint(); }

TFrmVerify::~TFrmVerify() {
  if (view_) view_->VerifyWindowClosed();
}

void TFrmVerify::SetStatusText(const std::string& text) {
  status_ = text;
  Repaint();
}

void TFrmVerify::SetProgress(int32_t position, int32_t max) {
  max_ = max;
  position_ = position;
  Repaint();
}

std::string TFrmVerify::StatusLine(uint32_t done, uint32_t total) {
  return "Status: " + std::to_string(done) + " out of " + std::to_string(total) + " files verifyed";
}

void TFrmVerify::Repaint() {
  if (view_) view_->VerifyWindowChanged(*this);
}
