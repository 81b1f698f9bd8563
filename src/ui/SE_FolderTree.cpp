#include "ui/SE_FolderTree.h"

#include "platform/CodePage.h"
#include "platform/Drives.h"
#include "platform/Files.h"
#include "script/SE_TextHelpers.h"

namespace {

TFolderNode& AddChild(TFolderNode& parent, std::string text, std::string path) {
  auto node = std::make_unique<TFolderNode>();
  node->Text = std::move(text);
  node->Path = std::move(path);
  node->Parent = &parent;
  parent.Children.push_back(std::move(node));
  return *parent.Children.back();
}

void CollectNodes(TFolderNode& node, std::vector<TFolderNode*>& out) {
  out.push_back(&node);
  for (auto& child : node.Children) CollectNodes(*child, out);
}

// "C:" names the drive's root here, as "C:\" does.
bool FolderExists(const std::string& path) { return platform::DirectoryExists(IncludeBackslash(path)); }

}  // namespace

TFolderTree::TFolderTree() {
  root_.Text = "Desktop";
  root_.Listed = root_.Expanded = true;
  TFolderNode& computer = AddChild(root_, "My Computer", std::string());
  computer.Listed = computer.Expanded = true;
  for (const std::string& drive : platform::LogicalDriveRoots())
    AddChild(computer, drive.substr(0, 2), drive);
}

std::string TFolderTree::SelectedPath() const { return selected_ ? selected_->Path : std::string(); }

void TFolderTree::Notify(TFolderTreeChange change, TFolderNode& node) {
  if (OnChange) OnChange(change, node);
}

std::vector<TFolderNode*> TFolderTree::AllNodes() {
  std::vector<TFolderNode*> nodes;
  CollectNodes(root_, nodes);
  return nodes;
}

void TFolderTree::List(TFolderNode& node) {
  if (node.Listed) return;
  node.Listed = true;
  if (node.Path.empty()) return;
  for (const platform::DirectoryEntry& entry : platform::ListDirectory(node.Path))
    if (entry.isDirectory) AddChild(node, entry.name, node.Path + entry.name + "\\");
  Notify(TFolderTreeChange::Children, node);
}

void TFolderTree::Expand(TFolderNode& node) {
  List(node);
  if (node.Expanded) return;
  node.Expanded = true;
  Notify(TFolderTreeChange::Expanded, node);
}

bool TFolderTree::SelectFolder(const std::string& path) {
  const std::string wanted = IncludeBackslash(path);
  TFolderNode* node = nullptr;
  for (auto& drive : root_.Children.front()->Children)
    if (platform::SameTextAscii(wanted.substr(0, drive->Path.size()), drive->Path)) node = drive.get();
  if (!node) return false;
  // Walk down one component at a time, listing each folder on the way.
  size_t start = node->Path.size();
  while (start < wanted.size()) {
    const size_t end = wanted.find('\\', start);
    const std::string name = wanted.substr(start, end - start);
    List(*node);
    TFolderNode* next = nullptr;
    for (auto& child : node->Children)
      if (platform::SameTextAscii(child->Text, name)) next = child.get();
    if (!next) break;
    node = next;
    start = end + 1;
  }
  if (selected_ != node) {
    selected_ = node;
    Notify(TFolderTreeChange::Selection, *node);
  }
  return true;
}

TFolderNode* TFolderTree::FirstWithPath(const std::string& path) {
  for (TFolderNode* node : AllNodes())
    if (!node->Path.empty() && platform::SameTextAscii(node->Path, path)) return node;
  return nullptr;
}

void TFolderTree::MoveToPath(const std::string& path, bool expanding) {
  std::string folder = path;
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  while (!FolderExists(folder) && folder.size() > 2) {
    const size_t slash = folder.rfind('\\');
    folder = slash == std::string::npos ? std::string() : folder.substr(0, slash);
  }
  if (folder.empty() || !FolderExists(folder)) return;
  folder = IncludeBackslash(folder);
  if (!SelectFolder(folder) || !expanding) return;

  if (std::vector<TFolderNode*> nodes = AllNodes(); nodes.size() > 2) Expand(*nodes[2]);
  for (size_t slash = folder.find('\\'); slash != std::string::npos; slash = folder.find('\\', slash + 1)) {
    TFolderNode* node = FirstWithPath(folder.substr(0, slash + 1));
    if (!node) break;
    Expand(*node);
    if (node->IsFirstChild()) break;
  }
}

void TFolderTree::UserSelect(TFolderNode& node) {
  if (selected_ == &node) return;
  selected_ = &node;
  Notify(TFolderTreeChange::Selection, node);
  if (OnUserSelect) OnUserSelect();
}
