// TVFSTree::PutFile: storing one file under its path, creating the folders it needs.
// Room for the file (blocks and root slots) is checked before anything is changed,
// so a full archive refuses the file and keeps the one it would have replaced.
#include <algorithm>

#include "gamedata/VFS_Unit.h"
#include "platform/CodePage.h"

namespace {

struct TSplitPath {
  std::string_view folder;  // empty: the file goes to the root
  std::string_view file;
};

// Only a path with both a "." and a "\" has a folder part; otherwise the file goes to
// the root under the part after the last "\".
TSplitPath SplitPath(std::string_view path) {
  const size_t slash = path.rfind('\\');
  const std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (path.find('.') == std::string_view::npos || slash == std::string_view::npos) return {{}, file};
  return {path.substr(0, slash), file};
}

std::string_view NextComponent(std::string_view& rest) {
  const size_t slash = rest.find('\\');
  const std::string_view component = rest.substr(0, slash);
  rest = slash == std::string_view::npos ? std::string_view{} : rest.substr(slash + 1);
  return component;
}

}  // namespace

std::optional<std::string> VFSNameFault(std::string_view path) {
  const TSplitPath split = SplitPath(path);
  std::string_view rest = split.folder;
  std::string_view longest = split.file;
  while (!rest.empty()) {
    const std::string_view part = NextComponent(rest);
    if (part.size() > longest.size()) longest = part;
  }
  if (longest.size() <= kVFSNameMax) return std::nullopt;
  return "has a part of " + std::to_string(longest.size()) + " characters (\"" + std::string(longest) +
         "\"); a game archive's names hold at most " + std::to_string(kVFSNameMax);
}

int32_t TVFSTree::CreateFolders(int32_t parent, std::string_view components) {
  while (!components.empty()) {
    const std::string_view name = NextComponent(components);
    if (name.empty()) continue;
    int32_t child = FindChild(parent, name);
    if (child < 0) child = CreateNewFileDir(parent, name, 0, 0, 0, 0, true, kVFSFlagFolder);
    else if (!nodes_[size_t(child)].info.IsFolder())
      owner_.Fail("cannot create folder '" + nodes_[size_t(child)].path + "': a file of that name exists");
    parent = child;
  }
  return parent;
}

int32_t TVFSTree::EnsureFolders(std::string_view folderPart) {
  while (!folderPart.empty() && folderPart.back() == '\\') folderPart.remove_suffix(1);
  if (folderPart.empty()) return -1;
  std::string_view text = folderPart;
  int32_t found = -1;
  while (!text.empty()) {
    const int32_t node = FindPath(text);
    if (node >= 0 && nodes_[size_t(node)].info.IsFolder()) {
      found = node;
      break;
    }
    const size_t slash = text.rfind('\\');
    text = slash == std::string_view::npos ? std::string_view{} : text.substr(0, slash);
  }
  if (found < 0) return CreateFolders(-1, folderPart);
  if (text.size() == folderPart.size()) return found;
  return CreateFolders(found, folderPart.substr(std::min(folderPart.size(), text.size() + 1)));
}

void TVFSTree::CheckRoom(std::string_view folderPart, std::string_view fileName, size_t storedSize) {
  const int64_t blockSize = owner_.header_.blockSize;
  auto blocksFor = [&](int64_t bytes) { return std::max<int64_t>(1, (bytes + blockSize - 1) / blockSize); };
  // Walk down as far as the folders exist; each missing one costs one block of records.
  int32_t parent = -1, missingFolders = 0;
  std::string_view rest = folderPart;
  while (!rest.empty()) {
    const std::string_view name = NextComponent(rest);
    if (name.empty()) continue;
    const int32_t child = missingFolders ? -1 : FindChild(parent, name);
    if (child >= 0 && nodes_[size_t(child)].info.IsFolder()) parent = child;
    else ++missingFolders;
  }
  int64_t available = owner_.free_.Count();
  bool replacesRoot = false;
  const int32_t old = missingFolders ? -1 : FindChild(parent, fileName);
  if (old >= 0) {
    available += blocksFor(nodes_[size_t(old)].info.storedSize);
    replacesRoot = nodes_[size_t(old)].parent < 0;
  }
  int64_t needed = blocksFor(int64_t(storedSize)) + missingFolders * blocksFor(kVFSRecordSize);
  if (parent >= 0) {  // the deepest existing folder may need more blocks for one more record
    int64_t live = 0;
    for (int32_t child : nodes_[size_t(parent)].children) live += child >= 0;
    const int64_t records = live + (old >= 0 && !missingFolders ? 0 : 1);
    needed += std::max<int64_t>(
        0, blocksFor(records * kVFSRecordSize) - blocksFor(nodes_[size_t(parent)].info.storedSize));
  }
  if (needed > available)
    owner_.Refuse("no free block left for '" + std::string(fileName) + "' (" + std::to_string(needed) +
                  " needed, " + std::to_string(available) + " free)");
  if (parent < 0 && !replacesRoot && owner_.FreeRootSlot() < 0)
    owner_.Refuse("no free root slot left for '" + std::string(fileName) + "'");
}

int32_t TVFSTree::PutFile(std::string_view path, const uint8_t* data, size_t length) {
  owner_.BeginLinkBatch();
  int32_t node;
  try {
    node = StoreFile(path, data, length);
  } catch (...) {
    try {
      owner_.EndLinkBatch();  // what was written stays consistent
    } catch (...) {
    }
    throw;
  }
  owner_.EndLinkBatch();
  return node;
}

int32_t TVFSTree::StoreFile(std::string_view path, const uint8_t* data, size_t length) {
  const TSplitPath split = SplitPath(path);
  const auto compressed = InternalCompressFile(data, length);
  CheckRoom(split.folder, split.file, compressed ? compressed->size() : length);
  const int32_t folder = EnsureFolders(split.folder);
  const std::string filePath =
      folder < 0 ? std::string(split.file) : nodes_[size_t(folder)].path + "\\" + std::string(split.file);
  DeletePath(filePath, true);
  const int32_t node = CreateNewFileDir(folder, split.file, 0, 0, 0, 0, false, kVFSFlagFile);
  StoreFileData(node, data, length, compressed);
  WriteNodeRecord(node);
  return node;
}
