// The picture control: the loaded picture (or the bitmap tiling made of it), made
// transparent when asked, stretched or centred as SE_Picture.h computes, clipped to
// the control. A transparent picture is a bitmap whose bottom-left colour is left out;
// a picture with an alpha channel blends by itself.

#include "ui/fltk/SE_FltkDraw.h"

#include "ui/fltk/SE_FltkImages.h"
#include "ui/fltk/SE_FltkWidgets.h"

namespace {

class TFlPicture : public Fl_Widget, public TModelWidget {
 public:
  explicit TFlPicture(TControl& control) : Fl_Widget(0, 0, 0, 0), TModelWidget(control) {}
  Fl_Widget& Widget() override { return *this; }
  bool SeeThrough() const override { return true; }

  void Apply(TControlChange change) override {
    switch (change) {
      case TControlChange::Picture: Load(); break;
      case TControlChange::Tile: Tile(); break;
      case TControlChange::Transparent:
      case TControlChange::Stretch:
      case TControlChange::Center: screen_.Clear(); break;
      default: break;
    }
  }

  void draw() override {
    if (picture_.Empty() || w() <= 0 || h() <= 0) return;
    const TPictureRect r =
        PictureDestRect(w(), h(), picture_.Width, picture_.Height, control_.Stretch(), control_.Center());
    if (screen_.Empty() || screenW_ != r.Width || screenH_ != r.Height) Prepare(r.Width, r.Height);
    fl_push_clip(x(), y(), w(), h());
    screen_.Draw(x() + r.Left, y() + r.Top);
    fl_pop_clip();
  }

 private:
  void Load() {
    loaded_.reset();
    if (control_.Picture()) loaded_ = LoadPicture(control_.PictureName(), *control_.Picture());
    picture_ = loaded_ ? loaded_->Pixels : TPixels();
    isBitmap_ = loaded_ && loaded_->Format == TPictureFormat::Bmp;
    screen_.Clear();
  }

  void Tile() {
    if (!control_.Tiled() || picture_.Empty()) return;
    picture_ = ComposeTiles(picture_, control_.TileWidth(), control_.TileHeight());
    isBitmap_ = true;  // the tiling is a bitmap of its own
    screen_.Clear();
  }

  void Prepare(int width, int height) {
    TPixels shown = picture_;
    if (control_.Transparent() && isBitmap_) ApplyColourKey(shown);
    if (width != shown.Width || height != shown.Height) shown = ScaleNearest(shown, width, height);
    screen_.Set(shown);
    screenW_ = width;
    screenH_ = height;
  }

  std::optional<TLoadedPicture> loaded_;
  TPixels picture_;        // what the control shows, before scaling
  bool isBitmap_ = false;  // bitmaps can be made transparent
  TScreenImage screen_;
  int screenW_ = 0, screenH_ = 0;
};

}  // namespace

TModelWidgetPtr CreatePictureWidget(TControl& control) { return std::make_unique<TFlPicture>(control); }
