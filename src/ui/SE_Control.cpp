#include "ui/SE_Control.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/Errors.h"

namespace {

struct TKindDefaults {
  int32_t width, height;
  bool autoSize, border, setsCaption;
};

// The sizes and flags a control of each class has when made at run time.
TKindDefaults DefaultsOf(TControlKind kind) {
  switch (kind) {
    case TControlKind::Window: return {578, 413, false, false, false};
    case TControlKind::Label: return {65, 17, true, false, true};
    case TControlKind::Edit: return {121, 21, true, true, false};
    case TControlKind::ShellTreeView: return {121, 97, false, true, false};
    case TControlKind::Button: return {75, 25, false, false, true};
    case TControlKind::BitmapButton: return {75, 25, false, false, true};
    case TControlKind::Image: return {105, 105, false, false, false};
    case TControlKind::Panel: return {185, 41, false, false, true};
    case TControlKind::Bevel: return {50, 50, false, false, false};
    case TControlKind::Memo: return {185, 89, false, true, false};
    case TControlKind::RichEdit: return {185, 89, false, true, false};
    case TControlKind::Gauge:
      return {TGradGauge::kDefaultWidth, TGradGauge::kDefaultHeight, false, false, false};
    case TControlKind::Radio: return {113, 17, false, false, true};
  }
  return {0, 0, false, false, false};
}

}  // namespace

const char* KindName(TControlKind kind) {
  switch (kind) {
    case TControlKind::Window: return "window";
    case TControlKind::Label: return "label";
    case TControlKind::Edit: return "edit";
    case TControlKind::ShellTreeView: return "shelltreeview";
    case TControlKind::Button: return "button";
    case TControlKind::BitmapButton: return "bitmapbutton";
    case TControlKind::Image: return "image";
    case TControlKind::Panel: return "panel";
    case TControlKind::Bevel: return "bevel";
    case TControlKind::Memo: return "memo";
    case TControlKind::RichEdit: return "richedit";
    case TControlKind::Gauge: return "gauge";
    case TControlKind::Radio: return "radio";
  }
  return "?";
}

bool IsValidIdent(const std::string& name) {
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (name.empty() || !letter(name[0])) return false;
  return std::all_of(name.begin(), name.end(), [&](char c) { return letter(c) || (c >= '0' && c <= '9'); });
}

TControl::TControl(ChildKey, TControlKind kind, TControl* parent, TControlObserver* observer)
    : kind_(kind), parent_(parent), observer_(observer) {
  const TKindDefaults d = DefaultsOf(kind);
  width_ = d.width;
  height_ = d.height;
  autoSize_ = d.autoSize;
  border_ = d.border;
  if (kind == TControlKind::Gauge) {
    gauge_ = std::make_unique<TGradGauge>();
    gauge_->OnUpdate = [this](TGaugeUpdate what) {
      Changed(TControlChange::Gauge);
      if (what == TGaugeUpdate::PaintNow) RepaintNow();
    };
  }
  if (kind == TControlKind::ShellTreeView) {
    tree_ = std::make_unique<TFolderTree>();
    tree_->OnChange = [this](TFolderTreeChange, TFolderNode&) { Changed(TControlChange::Tree); };
  }
}

TControl::TControl(TControlKind kind, std::string name, TControlObserver* observer)
    : TControl(ChildKey{}, kind, nullptr, observer) {
  SetName(name);
  if (observer_) observer_->ControlCreated(*this);
}

void TControl::SetName(const std::string& name) {
  // Named while still empty, a caption-bearing control shows its name; the view
  // meets the control named, with that caption.
  name_ = name;
  if (DefaultsOf(kind_).setsCaption && caption_.empty()) caption_ = platform::AnsiToWide(name);
}

TControl::~TControl() = default;

TControl& TControl::CreateChild(TControlKind kind, const std::string& name) {
  if (!name.empty() && !IsValidIdent(name))
    throw platform::ESetupError("'" + name + "' is not a valid component name");
  for (const auto& other : owned_)
    if (!name.empty() && platform::SameTextAscii(other->name_, name))
      throw platform::ESetupError("A component named " + name + " already exists");
  owned_.push_back(std::make_unique<TControl>(ChildKey{}, kind, this, observer_));
  TControl& child = *owned_.back();
  zOrder_.push_back(&child);
  child.SetName(name);
  if (observer_) observer_->ControlCreated(child);
  return child;
}

void TControl::Changed(TControlChange change) {
  if (observer_) observer_->ControlChanged(*this, change);
}

void TControl::RepaintNow() {
  if (observer_) observer_->RepaintNow(*this);
}

void TControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Changed(TControlChange::Bounds);
}

// One setter shape for the plain flags: store, tell the view when it changed.
#define SE_FLAG_SETTER(Method, field, change) \
  void TControl::Method(bool v) {             \
    if (field == v) return;                   \
    field = v;                                \
    Changed(TControlChange::change);          \
  }
SE_FLAG_SETTER(SetEnabled, enabled_, Enabled)
SE_FLAG_SETTER(SetVisible, visible_, Visible)
SE_FLAG_SETTER(SetAutoSize, autoSize_, AutoSize)
SE_FLAG_SETTER(SetWordWrap, wordWrap_, WordWrap)
SE_FLAG_SETTER(SetTransparent, transparent_, Transparent)
SE_FLAG_SETTER(SetBorder, border_, Border)
SE_FLAG_SETTER(SetStretch, stretch_, Stretch)
SE_FLAG_SETTER(SetCenter, center_, Center)
#undef SE_FLAG_SETTER

void TControl::SetCaption(const std::u16string& text) {
  if (text == caption_) return;
  caption_ = text;
  Changed(TControlChange::Caption);
  if (kind_ == TControlKind::Edit && OnChange) OnChange();
}

void TControl::SetFont(const TFontSpec& font) {
  if (font == font_) return;
  font_ = font;
  Changed(TControlChange::Font);
}

void TControl::SetColour(TColor colour) {
  if (colour == colour_) return;
  colour_ = colour;
  Changed(TControlChange::Colour);
}

void TControl::SetChecked(bool v) {
  if (checked_ == v) return;
  checked_ = v;
  Changed(TControlChange::Checked);
  if (!v || kind_ != TControlKind::Radio || !parent_) return;
  for (TControl* sibling : parent_->zOrder_)
    if (sibling != this && sibling->kind_ == TControlKind::Radio) sibling->SetChecked(false);
}

void TControl::SetEdge(TEdge edge) {
  if (edge == edge_) return;
  edge_ = edge;
  Changed(TControlChange::Edge);
}

void TControl::SetPicture(const std::string& name, std::optional<std::vector<uint8_t>> bytes) {
  pictureName_ = name;
  picture_ = std::move(bytes);
  tiled_ = false;
  Changed(TControlChange::Picture);
}

void TControl::TilePicture() {
  if (!picture_) return;
  tiled_ = true;
  tileWidth_ = width_;
  tileHeight_ = height_;
  Changed(TControlChange::Tile);
}

void TControl::SetRichText(std::vector<uint8_t> bytes) {
  richText_ = std::move(bytes);
  Changed(TControlChange::RichText);
}

void TControl::SendToBack() {
  if (!parent_) return;
  auto& order = parent_->zOrder_;
  order.erase(std::find(order.begin(), order.end(), this));
  order.insert(order.begin(), this);
  Changed(TControlChange::ZOrder);
}

void TControl::Click() {
  if (enabled_ && visible_ && OnClick) OnClick();
}

void TControl::UserSetText(const std::u16string& text) { SetCaption(text); }

void TControl::UserCheck() {
  if (enabled_) SetChecked(true);
}

std::vector<TPoint> TileOrigins(int32_t width, int32_t height, int32_t picW, int32_t picH) {
  std::vector<TPoint> points;
  if (picW <= 0 || picH <= 0) return points;
  for (int32_t j = 0; j <= height / picH; ++j)
    for (int32_t i = 0; i <= width / picW; ++i) points.push_back({i * picW, j * picH});
  return points;
}
