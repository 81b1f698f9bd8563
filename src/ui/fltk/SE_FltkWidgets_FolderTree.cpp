// The folder tree of the installation-directory page: an FLTK tree that mirrors the
// model's TFolderTree node for node. Folders are listed when first opened: until then
// a folder carries one empty placeholder item, so that it shows as openable. The
// user's opening a folder lists it in the model; picking one selects it there (which
// raises the window's change); the model's own moves are mirrored without raising it,
// and a folder the model selects is shown with the folders above it opened.
#include "ui/fltk/SE_FltkDraw.h"

#include <FL/Fl.H>
#include <FL/Fl_Pixmap.H>
#include <FL/Fl_Tree.H>

#include <algorithm>
#include <set>

#include "platform/CodePage.h"
#include "ui/fltk/SE_FltkFonts.h"
#include "ui/fltk/SE_FltkText.h"
#include "ui/fltk/SE_FltkWidgets.h"

namespace {

// 16 x 16 icons in the colours of the desktop scheme.
const char* const kFolderXpm[] = {
    "16 16 4 1",        "  c None",         ". c #A07818",      "+ c #F8D868",      "@ c #E8B830",
    "                ", "                ", "  .....         ", " .+++++.        ", " .+++++.......  ",
    " .@@@@@@@@@@@@. ", " .+++++++++++@. ", " .+++++++++++@. ", " .+++++++++++@. ", " .+++++++++++@. ",
    " .+++++++++++@. ", " .+++++++++++@. ", " .@@@@@@@@@@@@. ", "  ............  ", "                ",
    "                ",
};
const char* const kDriveXpm[] = {
    "16 16 4 1",        "  c None",         ". c #505050",      "+ c #D8D8D8",      "@ c #30C030",
    "                ", "                ", "                ", "                ", "                ",
    "  ............  ", " .++++++++++++. ", " .++++++++++++. ", " .++++++++++++. ", " .+++++++++@@+. ",
    " .++++++++++++. ", "  ............  ", "                ", "                ", "                ",
    "                ",
};
const char* const kComputerXpm[] = {
    "16 16 4 1",        "  c None",         ". c #404040",      "+ c #C8C8C8",      "@ c #3070D0",
    "                ", "  ............  ", "  .@@@@@@@@@@.  ", "  .@@@@@@@@@@.  ", "  .@@@@@@@@@@.  ",
    "  .@@@@@@@@@@.  ", "  .@@@@@@@@@@.  ", "  .@@@@@@@@@@.  ", "  ............  ", "       ..       ",
    "    ........    ", "  ............  ", "  .++++++++++.  ", "  ............  ", "                ",
    "                ",
};
const char* const kDesktopXpm[] = {
    "16 16 3 1",        "  c None",         ". c #204080",      "+ c #60A0E0",      "                ",
    "                ", " .............. ", " .++++++++++++. ", " .++++++++++++. ", " .++++++++++++. ",
    " .++++++++++++. ", " .++++++++++++. ", " .++++++++++++. ", " .++++++++++++. ", " .............. ",
    "      ....      ", "   ..........   ", "                ", "                ", "                ",
};

Fl_Pixmap& Icon(const char* const* xpm) {
  static Fl_Pixmap folder(kFolderXpm), drive(kDriveXpm), computer(kComputerXpm), desktop(kDesktopXpm);
  if (xpm == kDriveXpm) return drive;
  if (xpm == kComputerXpm) return computer;
  if (xpm == kDesktopXpm) return desktop;
  return folder;
}

Fl_Pixmap& IconOf(const TFolderNode& node) {
  if (!node.Parent) return Icon(kDesktopXpm);
  if (node.Path.empty()) return Icon(kComputerXpm);
  if (node.Path.size() <= 3) return Icon(kDriveXpm);
  return Icon(kFolderXpm);
}

class TFlFolderTree : public Fl_Tree, public TModelWidget {
 public:
  explicit TFlFolderTree(TControl& control) : Fl_Tree(0, 0, 0, 0), TModelWidget(control) {
    end();
    showroot(1);
    selectmode(FL_TREE_SELECT_SINGLE);
    connectorstyle(FL_TREE_CONNECTOR_DOTTED);
    color(FltkColour(clWindow));
    selection_color(FltkColour(clSystemColor | 13));  // highlight
    callback([](Fl_Widget*, void* self) { static_cast<TFlFolderTree*>(self)->UserAction(); }, this);
    Apply(TControlChange::Font);
    Apply(TControlChange::Tree);
  }
  Fl_Widget& Widget() override { return *this; }

  // A click beside the items clears FLTK's selection; a folder tree always keeps one.
  int handle(int event) override {
    const int used = Fl_Tree::handle(event);
    if ((event == FL_PUSH || event == FL_RELEASE || event == FL_KEYBOARD) && !first_selected_item())
      ShowSelection();
    return used;
  }

  void Apply(TControlChange change) override {
    if (change == TControlChange::Font) {
      const TTextFont font = TextFontOf(control_.Font());
      item_labelfont(font.font);
      item_labelsize(font.size);
      item_labelfgcolor(font.colour);
      Sync(*root(), control_.Tree()->Root(), true);
    } else if (change == TControlChange::Tree) {
      Sync(*root(), control_.Tree()->Root(), false);
      ShowSelection();
    }
    redraw();
  }

 private:
  void Sync(Fl_Tree_Item& item, TFolderNode& node, bool restyle) {
    item.user_data(&node);
    const std::string text = platform::AnsiToUtf8(node.Text);
    if (!item.label() || text != item.label()) item.label(text.c_str());
    item.usericon(&IconOf(node));
    if (restyle) {
      item.labelfont(item_labelfont());
      item.labelsize(item_labelsize());
      item.labelfgcolor(item_labelfgcolor());
    }
    if (!node.Listed && !node.Path.empty()) {
      // Not read yet: one placeholder child makes the folder openable.
      if (item.children() != 1 || item.child(0)->user_data()) {
        item.clear_children();
        insert(&item, "", 0);
      }
      if (item.is_open()) close(&item, 0);
      return;
    }
    for (int i = 0; i < item.children();) {
      // Placeholders and items whose folder is gone.
      void* data = item.child(i)->user_data();
      const bool known = data && std::any_of(node.Children.begin(), node.Children.end(),
                                             [&](const auto& c) { return c.get() == data; });
      if (known) ++i;
      else item.remove_child(item.child(i));
    }
    for (size_t i = 0; i < node.Children.size(); ++i) {
      TFolderNode& child = *node.Children[i];
      const int pos = static_cast<int>(i);
      Fl_Tree_Item* existing = pos < item.children() ? item.child(pos) : nullptr;
      if (!existing || existing->user_data() != &child)
        existing = insert(&item, platform::AnsiToUtf8(child.Text).c_str(), pos);
      if (existing) Sync(*existing, child, restyle);
    }
    // The model opens nodes and never closes them; closing is the user's business, so
    // a node is opened only the first time the model shows it open.
    if (node.Expanded && opened_.insert(&node).second) open(&item, 0);
  }

  Fl_Tree_Item* ItemOf(const TFolderNode* node) {
    for (Fl_Tree_Item* item = first(); item; item = next(item))
      if (item->user_data() == node) return item;
    return nullptr;
  }

  void ShowSelection() {
    const TFolderNode* selected = control_.Tree()->Selected();
    Fl_Tree_Item* item = selected ? ItemOf(selected) : nullptr;
    if (!item) return;
    // A new selection is revealed, as a tree view does when it selects an item: the
    // folders above it open (without listing anything: the model listed them on the
    // way). Later the user may close them again.
    if (selected != revealed_) {
      revealed_ = selected;
      for (Fl_Tree_Item* parent = item->parent(); parent; parent = parent->parent())
        if (parent->is_close()) open(parent, 0);
    }
    if (!item->is_selected()) select_only(item, 0);
    if (visible_r()) show_item(item);
  }

  void UserAction() {
    Fl_Tree_Item* item = callback_item();
    auto* node = item ? static_cast<TFolderNode*>(item->user_data()) : nullptr;
    if (!node) return;
    TFolderTree& tree = *control_.Tree();
    switch (callback_reason()) {
      case FL_TREE_REASON_OPENED:
        opened_.insert(node);
        tree.Expand(*node);
        Sync(*root(), tree.Root(), false);
        break;
      case FL_TREE_REASON_SELECTED: tree.UserSelect(*node); break;
      default: break;
    }
  }

  std::set<const TFolderNode*> opened_;
  const TFolderNode* revealed_ = nullptr;
};

}  // namespace

TModelWidgetPtr CreateFolderTreeWidget(TControl& control) { return std::make_unique<TFlFolderTree>(control); }
