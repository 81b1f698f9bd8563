// Controls as plain objects: the wizard's windows, buttons and page controls with
// every property a page definition can set, owned by their parent, toolkit-free.
// A view realises each control when it is created and is told of every change
// (TControlObserver); the user's actions come back through Click, UserSetText,
// UserCheck and the folder tree's UserSelect.
//
// Defaults are those of a control made at run time on a window whose font is
// "MS Shell Dlg 2" at 8 points: the font is inherited, labels and edit boxes size
// themselves, memos and rich edits have a single border. A label, button, panel or
// radio button whose caption is still empty takes its name as caption when it is
// named, as the toolkit does.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/Ggauge.h"
#include "ui/SE_Colour.h"
#include "ui/SE_FolderTree.h"

enum class TControlKind {
  Window,         // the main window's client area
  Label,          // Unicode label
  Edit,           // Unicode edit box
  ShellTreeView,  // folder tree (Tree())
  Button,         // Unicode button
  BitmapButton,   // Unicode button with a glyph right of its caption (the language button)
  Image,          // picture
  Panel,          // panel
  Bevel,          // bevel
  Memo,           // memo
  RichEdit,       // rich edit with both scroll bars
  Gauge,          // gradient gauge (Gauge())
  Radio,          // Unicode radio button
};

const char* KindName(TControlKind kind);

// Which property changed; the view reads the new value from the control.
enum class TControlChange {
  Bounds,
  Enabled,
  Visible,
  Caption,
  Font,
  Colour,
  AutoSize,
  WordWrap,
  Transparent,
  Checked,
  Border,
  Stretch,
  Center,
  Tile,
  Picture,
  RichText,
  Gauge,
  Tree,
  ZOrder,
  Edge,
};

// How a panel or a bevel draws its edge. By default a panel has a raised edge and a
// bevel is a lowered box; the main window's page panel has none and the bevel above
// its buttons is a top line only.
enum class TEdge { Default, None, TopLine };

struct TFontSpec {
  std::string Face = "MS Shell Dlg 2";
  int32_t Size = 8;  // points
  TColor Colour = clWindowText;
  bool Bold = false;
  bool operator==(const TFontSpec&) const = default;
};

class TControl;

class TControlObserver {
 public:
  virtual ~TControlObserver() = default;
  // A control exists, with its kind, name and default properties, on its parent.
  virtual void ControlCreated(TControl& control) = 0;
  virtual void ControlChanged(TControl& control, TControlChange change) = 0;
  // Paint the control (and, for a container, what it holds) at once, before returning.
  virtual void RepaintNow(TControl& control) = 0;
};

class TControl {
 public:
  // A root control (the main window's client area, a window's own buttons).
  TControl(TControlKind kind, std::string name, TControlObserver* observer);
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;
  ~TControl();

  // Creates a control owned by this one, on it (in front of its siblings), named as
  // given; a caption-bearing control takes the name as caption. The view is told once
  // the control has its name. Raises
  // ESetupError when the name is not an identifier or another control of this owner
  // has it (without regard to case); an empty name is allowed.
  TControl& CreateChild(TControlKind kind, const std::string& name);

  TControlKind Kind() const { return kind_; }
  const std::string& Name() const { return name_; }
  TControl* Parent() const { return parent_; }
  // Children from the back to the front.
  const std::vector<TControl*>& Children() const { return zOrder_; }

  int32_t Left() const { return left_; }
  int32_t Top() const { return top_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
  void SetLeft(int32_t v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int32_t v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int32_t v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int32_t v) { SetBounds(left_, top_, width_, v); }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);

  // Caption of labels, buttons, radio buttons and panels; the text of edit boxes,
  // memos and rich edits. An edit box's change runs OnChange.
  const std::u16string& Caption() const { return caption_; }
  void SetCaption(const std::u16string& text);

  const TFontSpec& Font() const { return font_; }
  void SetFont(const TFontSpec& font);
  TColor Colour() const { return colour_; }
  void SetColour(TColor colour);

  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  // Radio buttons: checking one unchecks the other radio buttons of the same parent.
  bool Checked() const { return checked_; }
  void SetChecked(bool v);
  bool Border() const { return border_; }
  void SetBorder(bool v);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool v);
  bool Center() const { return center_; }
  void SetCenter(bool v);
  TEdge Edge() const { return edge_; }
  void SetEdge(TEdge edge);

  // Pictures: the package entry's name (its extension tells the format) and bytes.
  // No bytes: an empty picture.
  const std::string& PictureName() const { return pictureName_; }
  const std::optional<std::vector<uint8_t>>& Picture() const { return picture_; }
  void SetPicture(const std::string& name, std::optional<std::vector<uint8_t>> bytes);
  // Tiling replaces the picture by a bitmap of the control's size at that moment with
  // the picture drawn at every TileOrigins point; without a picture it does nothing.
  bool Tiled() const { return tiled_; }
  int32_t TileWidth() const { return tileWidth_; }
  int32_t TileHeight() const { return tileHeight_; }
  void TilePicture();

  // Rich edits: a document's bytes (rich text, or plain text when it is not), loaded
  // in place of the text.
  const std::optional<std::vector<uint8_t>>& RichText() const { return richText_; }
  void SetRichText(std::vector<uint8_t> bytes);

  TGradGauge* Gauge() { return gauge_.get(); }
  const TGradGauge* Gauge() const { return gauge_.get(); }
  TFolderTree* Tree() { return tree_.get(); }

  // The toolkit's "send to back": first among the parent's children.
  void SendToBack();
  // The view should paint this control now (the window's direct repaints).
  void RepaintNow();

  // Events the window attaches.
  std::function<void()> OnClick;   // buttons
  std::function<void()> OnChange;  // edit boxes: the text changed

  // The user's actions, as the view reports them.
  void Click();
  void UserSetText(const std::u16string& text);
  void UserCheck();

 private:
  struct ChildKey {};  // only CreateChild makes owned controls

 public:
  TControl(ChildKey, TControlKind kind, TControl* parent, TControlObserver* observer);

 private:
  void Changed(TControlChange change);
  void SetName(const std::string& name);

  TControlKind kind_;
  std::string name_;
  TControl* parent_ = nullptr;
  TControlObserver* observer_ = nullptr;
  std::vector<std::unique_ptr<TControl>> owned_;  // in creation order
  std::vector<TControl*> zOrder_;                 // back to front
  int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool enabled_ = true;
  bool visible_ = true;
  std::u16string caption_;
  TFontSpec font_;
  TColor colour_ = clBtnFace;
  bool autoSize_ = false;
  bool wordWrap_ = false;
  bool transparent_ = false;
  bool checked_ = false;
  bool border_ = false;
  bool stretch_ = false;
  bool center_ = false;
  TEdge edge_ = TEdge::Default;
  std::string pictureName_;
  std::optional<std::vector<uint8_t>> picture_;
  bool tiled_ = false;
  int32_t tileWidth_ = 0, tileHeight_ = 0;
  std::optional<std::vector<uint8_t>> richText_;
  std::unique_ptr<TGradGauge> gauge_;
  std::unique_ptr<TFolderTree> tree_;
};

// Where a tiled picture of picW x picH is drawn in a control of width x height:
// (i * picW, j * picH) for i = 0 .. width div picW and j = 0 .. height div picH,
// inclusive, so partial tiles fill the right and bottom edges. Row by row.
struct TPoint {
  int32_t x = 0, y = 0;
  bool operator==(const TPoint&) const = default;
};
std::vector<TPoint> TileOrigins(int32_t width, int32_t height, int32_t picW, int32_t picH);

// An identifier as component names must be: a letter or "_", then letters, digits, "_".
bool IsValidIdent(const std::string& name);
