#include "ui/fltk/SE_FltkView.h"

#include "ui/fltk/SE_FltkDraw.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Menu_Item.H>

#include <algorithm>

#include "platform/SystemInfo.h"
#include "ui/FormMain.h"
#include "ui/SE_UiDialogs.h"
#include "ui/SE_UiQueue.h"
#include "ui/VerifyForm.h"
#include "ui/fltk/SE_FltkDialogs.h"
#include "ui/fltk/SE_FltkDisplay.h"
#include "ui/fltk/SE_FltkFonts.h"
#include "ui/fltk/SE_FltkText.h"
#include "ui/fltk/SE_FltkWidgets.h"

// The main window: the form's client area, fixed in size, in the button-face colour.
// Its close button asks the form; Escape does nothing.
class TFltkView::TFormWindow : public Fl_Double_Window, public TModelWidget {
 public:
  TFormWindow(TControl& control, TFltkView& view)
      : Fl_Double_Window(std::max(control.Width(), 1), std::max(control.Height(), 1)), TModelWidget(control) {
    end();
    box(FL_FLAT_BOX);
    resizable(nullptr);
    size_range(w(), h(), w(), h());
    Apply(TControlChange::Colour);
    callback([](Fl_Widget*, void* v) { static_cast<TFltkView*>(v)->CloseRequested(); }, &view);
  }
  Fl_Widget& Widget() override { return *this; }
  Fl_Group* Container() override { return this; }
  void Apply(TControlChange change) override {
    if (change == TControlChange::Colour) color(FltkColour(control_.Colour()));
    redraw();
  }
};

std::unique_ptr<TFltkView> TFltkView::Create(std::optional<std::string> directory) {
  if (!OpenFltkDisplay()) return nullptr;
  auto view = std::make_unique<TFltkView>(TKey{});
  view->directory_ = std::move(directory);
  return view;
}

TFltkView::TFltkView(TKey) : wakePending_(std::make_shared<std::atomic<bool>>(false)) {
  // FLTK's lock makes Fl::awake() usable from the setup thread; this thread holds it
  // except while it waits for events.
  Fl::lock();
  UiQueue().SetUiThread();
  Fl::scheme("gtk+");
  const TRgb face = RgbOf(clBtnFace);
  Fl::background(face.r, face.g, face.b);
  Fl::background2(255, 255, 255);
  const TRgb highlight = RgbOf(clSystemColor | 13);
  Fl::set_color(FL_SELECTION_COLOR, highlight.r, highlight.g, highlight.b);
  Fl::visible_focus(1);
  FL_NORMAL_SIZE = PixelsOfPoints(8);
  UiQueue().SetWakeHook([flag = wakePending_] {
    // One wake is enough until the loop has looked at the queue again.
    if (!flag->exchange(true)) Fl::awake();
  });
}

TFltkView::~TFltkView() {
  UiQueue().SetWakeHook({});
  TearDown();
  verify_.reset();
}

void TFltkView::TearDown() {
  widgets_.clear();
  if (window_) window_->hide();
  window_.reset();
}

void TFltkView::InstallHandlers() {
  platform::SetMessageBoxHandler(UiThreadMessageBoxHandler(ShowFltkMessageBox));
  // Asked only at start-up, on this thread, before the setup thread exists.
  platform::SetListChoiceHandler(ShowFltkListChoice);
}

TModelWidget* TFltkView::WidgetOf(const TControl& control) const {
  const auto found = widgets_.find(&control);
  return found == widgets_.end() ? nullptr : found->second;
}

void TFltkView::ControlCreated(TControl& control) {
  Fl_Group::current(nullptr);
  if (control.Kind() == TControlKind::Window) {
    TearDown();  // a new main window replaces an old one
    auto window = std::make_unique<TFormWindow>(control, *this);
    widgets_[&control] = window.get();
    window_ = std::move(window);
    return;
  }
  TModelWidget* container = nullptr;
  for (const TControl* p = control.Parent(); p && !container; p = p->Parent())
    if (TModelWidget* w = WidgetOf(*p); w && w->Container()) container = w;
  if (!container) return;  // not on a window of this view
  TModelWidgetPtr widget = CreateModelWidget(control);
  if (!widget) return;
  TModelWidget& created = *widget;
  container->Container()->add(created.Widget());
  widget.release();  // the group owns it now
  widgets_[&control] = &created;
  if (!control.Visible()) created.Widget().hide();
  Place(created);
}

void TFltkView::ControlChanged(TControl& control, TControlChange change) {
  TModelWidget* widget = WidgetOf(control);
  if (!widget) return;
  Fl_Widget& w = widget->Widget();
  switch (change) {
    case TControlChange::Bounds:
      Invalidate(*widget);  // where it was
      PlaceTree(control);
      Invalidate(*widget);
      break;
    case TControlChange::Visible:
      if (control.Kind() == TControlKind::Window) break;  // Run shows the window
      if (control.Visible()) w.show();
      else w.hide();
      break;
    case TControlChange::Enabled:
      if (control.Enabled()) w.activate();
      else w.deactivate();
      Invalidate(*widget);
      break;
    case TControlChange::ZOrder:
      if (control.Parent()) Restack(*control.Parent());
      break;
    default:
      Invalidate(*widget);
      widget->Apply(change);
      Place(*widget);  // a label or edit box that sizes itself may have a new size
      Invalidate(*widget);
      break;
  }
}

void TFltkView::Place(TModelWidget& widget) {
  const TControl& c = widget.Control();
  if (c.Kind() == TControlKind::Window) return;
  int x = c.Left(), y = c.Top();
  for (const TControl* p = c.Parent(); p && p->Kind() != TControlKind::Window; p = p->Parent()) {
    x += p->Left();
    y += p->Top();
  }
  const std::optional<std::pair<int, int>> own = widget.OwnSize();
  const int width = std::max(own ? own->first : c.Width(), 0);
  const int height = std::max(own ? own->second : c.Height(), 0);
  Fl_Widget& w = widget.Widget();
  if (w.x() != x || w.y() != y || w.w() != width || w.h() != height) w.resize(x, y, width, height);
}

void TFltkView::PlaceTree(TControl& control) {
  if (TModelWidget* widget = WidgetOf(control)) Place(*widget);
  for (TControl* child : control.Children()) PlaceTree(*child);
}

void TFltkView::Restack(TControl& parent) {
  TModelWidget* container = WidgetOf(parent);
  if (!container || !container->Container()) return;
  Fl_Group& group = *container->Container();
  int index = 0;
  for (TControl* child : parent.Children())
    if (TModelWidget* w = WidgetOf(*child)) group.insert(w->Widget(), index++);
  group.redraw();
}

void TFltkView::Invalidate(TModelWidget& widget) {
  Fl_Widget& w = widget.Widget();
  if (widget.SeeThrough() && w.parent()) w.parent()->damage(FL_DAMAGE_ALL, w.x(), w.y(), w.w(), w.h());
  else w.redraw();
}

void TFltkView::RepaintNow(TControl& control) {
  if (TModelWidget* widget = WidgetOf(control)) Invalidate(*widget);
  Fl::flush();
}

void TFltkView::TitleChanged(const std::u16string&, const std::u16string& caption) {
  if (window_) window_->copy_label(Utf8Of(caption).c_str());
}

void TFltkView::MenuChanged(const TPopupMenu& menu) { menu_ = menu.Items; }

void TFltkView::PopupMenuAt(TPopupMenu& menu, int32_t x, int32_t y) {
  if (menu.Items.empty()) return;
  std::vector<std::string> labels;
  for (const TMenuItem& item : menu.Items) labels.push_back(Utf8Of(item.Caption));
  std::vector<Fl_Menu_Item> items(labels.size() + 1, Fl_Menu_Item{});
  const TTextFont font = TextFontOf(TFontSpec{});
  for (size_t i = 0; i < labels.size(); ++i) {
    Fl_Menu_Item& m = items[i];
    m.text = labels[i].c_str();
    m.flags = FL_MENU_TOGGLE | (menu.Items[i].Checked ? FL_MENU_VALUE : 0);
    m.labeltype_ = PlainLabelType();
    m.labelfont_ = font.font;
    m.labelsize_ = font.size;
    m.labelcolor_ = FL_BLACK;
  }
  // The menu takes window coordinates of the last event's window.
  const int wx = x - (Fl::event_x_root() - Fl::event_x());
  const int wy = y - (Fl::event_y_root() - Fl::event_y());
  const Fl_Menu_Item* picked = items.front().popup(wx, wy);
  if (picked) menu.Choose(static_cast<size_t>(picked - items.data()));
}

TFormGeometry TFltkView::FormGeometry() {
  if (!window_) return {};
  Fl_Double_Window& w = *window_;
  const int outerW = w.decorated_w(), outerH = w.decorated_h();
  const int side = std::max((outerW - w.w()) / 2, 0);
  const int top = std::max(outerH - w.h() - side, 0);
  return {w.x() - side, w.y() - top, outerW, outerH, w.w(), w.h()};
}

void TFltkView::VerifyWindowChanged(const TFrmVerify& window) {
  if (!verify_) {
    Fl_Group::current(nullptr);
    verify_ = std::make_unique<TFltkVerifyWindow>();
    verify_->show();
    verify_->wait_for_expose();
  }
  verify_->Update(window.StatusText(), window.Position(), window.Max());
}

void TFltkView::VerifyWindowClosed() {
  verify_.reset();
  Fl::flush();
}

void TFltkView::HoldVerifyWindow(uint32_t milliseconds) {
  if (!verify_) return;
  const uint32_t start = platform::TickCount();
  for (uint32_t passed = 0; passed < milliseconds; passed = platform::TickCount() - start)
    Fl::wait((milliseconds - passed) / 1000.0);
}

void TFltkView::ShowDebugListing(const std::vector<std::string>& lines) { ShowFltkDebugListing(lines); }

void TFltkView::ProcessMessages() {
  wakePending_->store(false);
  Fl::check();
}

int TFltkView::Run(TFrmMain& form) {
  form_ = &form;
  closed_ = false;
  if (directory_) form.ChooseInstallDir(*directory_);
  if (window_) {
    CentreOnScreen(*window_);
    window_->show();
  }
  while (!closed_ && window_) {
    wakePending_->store(false);
    UiQueue().Drain();
    if (closed_) break;
    Fl::wait(0.5);
  }
  TearDown();
  form_ = nullptr;
  return kExitByOutcome;
}

void TFltkView::WindowClosed() {
  closed_ = true;
  if (window_) window_->hide();
}

void TFltkView::CloseRequested() {
  // Escape reaches a window as a close request; the wizard closes only when asked
  // through its buttons or the window's close button.
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
  if (!form_) return;
  try {
    form_->Close();
  } catch (const std::exception& e) {
    if (form_->OnUnexpectedError) form_->OnUnexpectedError(e.what());
    WindowClosed();
  }
}
