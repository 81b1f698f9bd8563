// The folder tree of the installation-directory page, as a model a view mirrors node
// for node: the desktop, the computer, its drives in letter order, and below each
// drive its folders, listed when a node is first expanded or walked through.
//
//   Desktop                   node 0, no path
//     My Computer             node 1, no path
//       C:                    "C:\"
//         Games               "C:\Games\"
//
// Nodes are counted "from the top" over every node that exists, in tree order
// (AllNodes), whether or not its parent is expanded.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct TFolderNode {
  std::string Text;  // what the tree shows: "Desktop", "My Computer", "C:", "Games"
  std::string Path;  // the folder with a trailing "\"; empty for the desktop and computer
  TFolderNode* Parent = nullptr;
  std::vector<std::unique_ptr<TFolderNode>> Children;
  bool Listed = false;    // children read from the folder
  bool Expanded = false;  // shown open

  bool IsFirstChild() const { return Parent && Parent->Children.front().get() == this; }
};

enum class TFolderTreeChange {
  Children,   // a node's children were listed (the node is given)
  Expanded,   // a node was opened
  Selection,  // the selected node changed
};

class TFolderTree {
 public:
  // Lists the drives at once; the desktop and the computer start expanded.
  TFolderTree();
  TFolderTree(const TFolderTree&) = delete;
  TFolderTree& operator=(const TFolderTree&) = delete;

  TFolderNode& Root() { return root_; }
  TFolderNode* Selected() const { return selected_; }
  // The selected folder with its trailing "\"; empty when nothing is selected.
  std::string SelectedPath() const;

  // Every existing node in tree order (the root is index 0).
  std::vector<TFolderNode*> AllNodes();
  // Reads a node's sub-folders once.
  void List(TFolderNode& node);
  // Lists and opens the node.
  void Expand(TFolderNode& node);

  // Selects the existing folder (with or without its trailing "\"), creating the nodes
  // on the way to it; false when no drive of the tree holds it.
  bool SelectFolder(const std::string& path);
  // Moves to a path: one trailing "\" is cut; while it names no existing folder and
  // is longer than two characters it is cut back to its parent; when a folder
  // remains it is selected. With expanding, node 2 is opened, then for each growing
  // prefix ending at "\" the first node with that path; the walk stops at a prefix
  // without a node or after opening a node that is the first child of its parent.
  // Moving never counts as the user's choice (OnUserSelect is not raised).
  void MoveToPath(const std::string& path, bool expanding);

  // The user picked a node in the view: when it is not the selection already, it
  // becomes the selection and OnUserSelect runs.
  void UserSelect(TFolderNode& node);

  std::function<void(TFolderTreeChange, TFolderNode&)> OnChange;  // for the view
  std::function<void()> OnUserSelect;                             // for the window

 private:
  void Notify(TFolderTreeChange change, TFolderNode& node);
  TFolderNode* FirstWithPath(const std::string& path);

  TFolderNode root_;
  TFolderNode* selected_ = nullptr;
};
