// The folder tree of the installation-directory page: the system's tree view,
// mirroring the model's TFolderTree node for node, with the shell's small icons. A
// folder not read yet shows a button without children; opening it lists it in the
// model, which the tree then mirrors. Picking a folder selects it in the model (which
// raises the window's change); the model's own moves are mirrored without raising it,
// and a folder the model selects is shown with the folders above it opened.
#include "ui/win32/SE_Win32Items.h"

#include <commctrl.h>
#include <shlobj.h>
#include <shellapi.h>

#include <set>
#include <unordered_map>

namespace {

int ShellIcon(const wchar_t* path, DWORD attributes, UINT flags) {
  SHFILEINFOW info{};
  SHGetFileInfoW(path, attributes, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON | flags);
  return info.iIcon;
}

int SpecialFolderIcon(int csidl) {
  PIDLIST_ABSOLUTE pidl = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &pidl)) || !pidl) return 0;
  const int icon = ShellIcon(reinterpret_cast<const wchar_t*>(pidl), 0, SHGFI_PIDL);
  CoTaskMemFree(pidl);
  return icon;
}

class TFolderTreeItem : public TWinItem {
 public:
  TFolderTreeItem(TControl& c, const TItemHost& h, int id) : TWinItem(c, h) {
    MakeWindow(WC_TREEVIEWW, WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
               WS_EX_CLIENTEDGE, L"", id);
    SHFILEINFOW info{};
    auto images = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(L"C:\\", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (images) TreeView_SetImageList(hwnd_, images, TVSIL_NORMAL);
    folderIcon_ = ShellIcon(L"folder", FILE_ATTRIBUTE_DIRECTORY, SHGFI_USEFILEATTRIBUTES);
    openFolderIcon_ =
        ShellIcon(L"folder", FILE_ATTRIBUTE_DIRECTORY, SHGFI_USEFILEATTRIBUTES | SHGFI_OPENICON);
    desktopIcon_ = SpecialFolderIcon(CSIDL_DESKTOP);
    computerIcon_ = SpecialFolderIcon(CSIDL_DRIVES);
    Apply(TControlChange::Tree);
  }

  void Apply(TControlChange change) override {
    if (change == TControlChange::Font) ApplyFont();
    if (change != TControlChange::Tree && change != TControlChange::Font) return;
    syncing_ = true;
    Sync(control_.Tree()->Root(), TVI_ROOT, TVI_FIRST);
    ShowSelection();
    syncing_ = false;
  }

  LRESULT Notify(const NMHDR& header) override {
    const auto& n = reinterpret_cast<const NMTREEVIEWW&>(header);
    if (header.code == TVN_DELETEITEMW) {
      items_.erase(reinterpret_cast<const TFolderNode*>(n.itemOld.lParam));
      return 0;
    }
    if (syncing_) return 0;  // the tree answering the model's own changes
    switch (header.code) {
      case TVN_ITEMEXPANDINGW:
        if (n.action & TVE_EXPAND) {
          auto* node = reinterpret_cast<TFolderNode*>(n.itemNew.lParam);
          opened_.insert(node);
          if (node) control_.Tree()->Expand(*node);
        }
        return 0;
      case TVN_SELCHANGEDW:
        if (n.action == TVC_BYMOUSE || n.action == TVC_BYKEYBOARD)
          if (auto* node = reinterpret_cast<TFolderNode*>(n.itemNew.lParam))
            control_.Tree()->UserSelect(*node);
        return 0;
      default: return 0;
    }
  }

 private:
  void IconsOf(const TFolderNode& node, int& icon, int& selected) {
    if (!node.Parent) icon = selected = desktopIcon_;
    else if (node.Path.empty()) icon = selected = computerIcon_;
    else if (node.Path.size() <= 3) icon = selected = ShellIcon(WideOfAnsi(node.Path).c_str(), 0, 0);
    else icon = folderIcon_, selected = openFolderIcon_;
  }

  HTREEITEM Insert(TFolderNode& node, HTREEITEM parent, HTREEITEM after) {
    std::wstring text = WideOfAnsi(node.Text);
    TVINSERTSTRUCTW in{};
    in.hParent = parent;
    in.hInsertAfter = after;
    in.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    in.item.pszText = text.data();
    in.item.lParam = reinterpret_cast<LPARAM>(&node);
    IconsOf(node, in.item.iImage, in.item.iSelectedImage);
    in.item.cChildren = 1;
    HTREEITEM item = TreeView_InsertItem(hwnd_, &in);
    items_[&node] = item;
    return item;
  }

  // Node and item agree: the item exists in its place, with the node's children once
  // they are listed (before that, a button to open it).
  void Sync(TFolderNode& node, HTREEITEM parent, HTREEITEM after) {
    HTREEITEM item = items_.count(&node) ? items_[&node] : Insert(node, parent, after);
    const bool unlisted = !node.Listed && !node.Path.empty();
    TVITEMW state{};
    state.mask = TVIF_CHILDREN | TVIF_HANDLE;
    state.hItem = item;
    state.cChildren = unlisted || !node.Children.empty() ? 1 : 0;
    TreeView_SetItem(hwnd_, &state);
    if (unlisted) return;
    std::set<const TFolderNode*> wanted;
    for (const auto& child : node.Children) wanted.insert(child.get());
    for (HTREEITEM c = TreeView_GetChild(hwnd_, item); c;) {
      HTREEITEM next = TreeView_GetNextSibling(hwnd_, c);
      TVITEMW data{};
      data.mask = TVIF_PARAM | TVIF_HANDLE;
      data.hItem = c;
      TreeView_GetItem(hwnd_, &data);
      if (!wanted.count(reinterpret_cast<const TFolderNode*>(data.lParam))) TreeView_DeleteItem(hwnd_, c);
      c = next;
    }
    HTREEITEM previous = TVI_FIRST;
    for (const auto& child : node.Children) {
      Sync(*child, item, previous);
      previous = items_[child.get()];
    }
    // The model opens nodes and never closes them; closing is the user's business, so
    // a node is opened only the first time the model shows it open.
    if (node.Expanded && opened_.insert(&node).second) TreeView_Expand(hwnd_, item, TVE_EXPAND);
  }

  void ShowSelection() {
    const TFolderNode* selected = control_.Tree()->Selected();
    const auto found = selected ? items_.find(selected) : items_.end();
    if (found == items_.end()) return;
    if (selected != revealed_) {
      revealed_ = selected;
      TreeView_EnsureVisible(hwnd_, found->second);
    }
    if (TreeView_GetSelection(hwnd_) != found->second) TreeView_SelectItem(hwnd_, found->second);
  }

  std::unordered_map<const TFolderNode*, HTREEITEM> items_;
  std::set<const TFolderNode*> opened_;
  const TFolderNode* revealed_ = nullptr;
  bool syncing_ = false;
  int folderIcon_ = 0, openFolderIcon_ = 0, desktopIcon_ = 0, computerIcon_ = 0;
};

}  // namespace

TWinItemPtr CreateFolderTreeItem(TControl& c, const TItemHost& h, int id) {
  return std::make_unique<TFolderTreeItem>(c, h, id);
}
