// The FLTK widgets that show the model's controls, one class per control kind. Each
// widget keeps a reference to its control and reads every property from it when told
// that one changed (Apply). The view places the widgets (bounds are the control's,
// relative to its parent; FLTK wants them relative to the window), shows, hides,
// enables and stacks them; the widget draws itself.
//
// Widgets belong to their FLTK group, which deletes them; the view only keeps
// pointers. A control's widget must not outlive the control: the view deletes the
// window (and with it every widget) before the model goes away.
#pragma once

#include <FL/Fl_Group.H>
#include <FL/Fl_Widget.H>

#include <memory>
#include <optional>
#include <utility>

#include "ui/SE_Control.h"

class TModelWidget {
 public:
  explicit TModelWidget(TControl& control) : control_(control) {}
  virtual ~TModelWidget() = default;
  TModelWidget(const TModelWidget&) = delete;
  TModelWidget& operator=(const TModelWidget&) = delete;

  TControl& Control() const { return control_; }
  virtual Fl_Widget& Widget() = 0;
  // Shows a changed property other than bounds, visibility, enabled state and order.
  virtual void Apply(TControlChange change) = 0;
  // The parent shows through parts of the widget, so the parent repaints behind it.
  virtual bool SeeThrough() const { return false; }
  // The size the widget gives itself (a label or edit box that sizes itself), or
  // nothing for the control's own size.
  virtual std::optional<std::pair<int, int>> OwnSize() { return std::nullopt; }
  // The group the control's children go into; null when it takes none.
  virtual Fl_Group* Container() { return nullptr; }

 protected:
  TControl& control_;
};

using TModelWidgetPtr = std::unique_ptr<TModelWidget>;

// Creates the widget of a page or window control (every kind but the window itself)
// with FLTK's current group unset. The caller adds it to its parent's container,
// which then owns it (release the pointer).
TModelWidgetPtr CreateModelWidget(TControl& control);

// The widgets by kind (used by CreateModelWidget).
TModelWidgetPtr CreateLabelWidget(TControl& control);
TModelWidgetPtr CreateEditWidget(TControl& control);
TModelWidgetPtr CreateRadioWidget(TControl& control);
TModelWidgetPtr CreateButtonWidget(TControl& control);
TModelWidgetPtr CreateLanguageButtonWidget(TControl& control);
TModelWidgetPtr CreatePanelWidget(TControl& control);
TModelWidgetPtr CreateBevelWidget(TControl& control);
TModelWidgetPtr CreatePictureWidget(TControl& control);
TModelWidgetPtr CreateGaugeWidget(TControl& control);
TModelWidgetPtr CreateTextViewWidget(TControl& control);  // memos and rich edits
TModelWidgetPtr CreateFolderTreeWidget(TControl& control);

// The background a control sits on: its parent's colour (labels and radio buttons
// take their parent's colour), or the button face for a control without a parent.
TColor ParentColour(const TControl& control);
