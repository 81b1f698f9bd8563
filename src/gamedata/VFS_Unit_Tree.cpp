// TVFSTree: the folder tree of an archive, storing files into it (creating folders),
// replacing and deleting them. Paths and names are found through a map of lower-cased
// paths, so storing many files stays linear in their number.
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "gamedata/VFS_Unit.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/LittleEndian.h"
#include "script/buffer_type.h"

namespace {
std::string Lower(std::string_view text) { return platform::AnsiLower(text); }
}  // namespace

std::optional<std::vector<uint8_t>> InternalCompressFile(const uint8_t* data, size_t length) {
  if (length == 0) return std::nullopt;  // an empty file is stored as one zero block
  std::vector<uint8_t> out;
  out.reserve(length / 2);
  static thread_local std::vector<uint8_t> packed(compressBound(kVFSPieceSize));  // reused across files
  for (size_t at = 0; at < length; at += kVFSPieceSize) {
    const size_t piece = std::min(kVFSPieceSize, length - at);
    uLongf packedLength = static_cast<uLongf>(packed.size());
    compress2(packed.data(), &packedLength, data + at, static_cast<uLong>(piece), 9);
    platform::Check(packedLength > 0, "TVFSTree.InternalCompressFile: ACSize = 0", "VFS_Unit", __LINE__);
    if (out.size() + 4 + packedLength > length) return std::nullopt;
    platform::PutFixed32(out, static_cast<uint32_t>(packedLength));
    out.insert(out.end(), packed.begin(), packed.begin() + static_cast<ptrdiff_t>(packedLength));
  }
  return out;
}

void TVFSTree::Clear() {
  nodes_.clear();
  freeNodes_.clear();
  byPath_.clear();
}

int32_t TVFSTree::NewNode() {
  if (!freeNodes_.empty()) {
    const int32_t node = *freeNodes_.begin();
    freeNodes_.erase(freeNodes_.begin());
    nodes_[size_t(node)] = TTreeFileInfo{};
    nodes_[size_t(node)].index = node;
    return node;
  }
  nodes_.emplace_back();
  nodes_.back().index = static_cast<int32_t>(nodes_.size() - 1);
  return nodes_.back().index;
}

void TVFSTree::FreeNode(int32_t node) {
  UnindexPath(node);
  nodes_[size_t(node)] = TTreeFileInfo{};
  freeNodes_.insert(node);
}

void TVFSTree::IndexPath(int32_t node) {
  std::vector<int32_t>& list = byPath_[Lower(nodes_[size_t(node)].path)];
  list.insert(std::lower_bound(list.begin(), list.end(), node), node);
}

void TVFSTree::UnindexPath(int32_t node) {
  auto it = byPath_.find(Lower(nodes_[size_t(node)].path));
  if (it == byPath_.end()) return;
  std::erase(it->second, node);
  if (it->second.empty()) byPath_.erase(it);
}

int32_t TVFSTree::AddRootNode(uint32_t slot, const TVFSFileInfo& info) {
  const int32_t node = NewNode();
  TTreeFileInfo& n = nodes_[size_t(node)];
  n.info = info;
  n.path = info.name;
  n.slot = slot;
  IndexPath(node);
  return node;
}

int32_t TVFSTree::AddChildNode(int32_t parent, const TVFSFileInfo& info) {
  const int32_t node = NewNode();
  TTreeFileInfo& n = nodes_[size_t(node)];
  n.info = info;
  n.parent = parent;
  n.path = nodes_[size_t(parent)].path + "\\" + info.name;
  IndexPath(node);
  std::vector<int32_t>& children = nodes_[size_t(parent)].children;
  auto hole = std::find(children.begin(), children.end(), -1);
  if (hole != children.end()) *hole = node;
  else children.push_back(node);
  return node;
}

void TVFSTree::LoadFolders() {
  // Each block may belong to one folder only; this also stops a folder that contains
  // itself from growing the tree without end.
  std::vector<int32_t> owner(owner_.blocks_.size(), -1);
  for (size_t i = 0; i < nodes_.size(); ++i) {
    if (nodes_[i].index < 0 || !nodes_[i].info.IsFolder() || nodes_[i].info.storedSize <= 0) continue;
    const std::string path = nodes_[i].path;
    for (int32_t block : owner_.ChainOf(nodes_[i].info.firstBlock, path)) {
      int32_t& o = owner[size_t(block) - 1];
      if (o >= 0)
        owner_.Fail("block " + std::to_string(block) + " belongs to both '" + nodes_[size_t(o)].path +
                    "' and '" + path + "'");
      o = int32_t(i);
    }
    if (nodes_[i].info.storedSize % kVFSRecordSize != 0)
      owner_.Fail("the data of folder '" + path + "' is " + std::to_string(nodes_[i].info.storedSize) +
                  " bytes, not a whole number of 88-byte records");
    const std::vector<uint8_t> records =
        owner_.ReadChain(nodes_[i].info.firstBlock, nodes_[i].info.storedSize, path);
    TBufferManager buffer(records);
    while (const uint8_t* record = buffer.Take(kVFSRecordSize))
      AddChildNode(int32_t(i), DecodeFileInfo(record));
  }
}

int32_t TVFSTree::FindPath(std::string_view path) const {
  auto it = byPath_.find(Lower(path));
  return it == byPath_.end() || it->second.empty() ? -1 : it->second.front();
}

int32_t TVFSTree::FindChild(int32_t parent, std::string_view name) const {
  if (parent < 0) return FindPath(name);
  auto it = byPath_.find(Lower(nodes_[size_t(parent)].path + "\\" + std::string(name)));
  if (it == byPath_.end()) return -1;
  for (int32_t node : it->second)
    if (nodes_[size_t(node)].parent == parent) return node;
  return -1;
}

int32_t TVFSTree::CreateNewFileDir(int32_t parent, std::string_view name, uint32_t date, int32_t fullSize,
                                   int32_t storedSize, int32_t firstBlock, bool write, uint32_t flags) {
  TVFSFileInfo info;
  info.name = std::string(name.substr(0, kVFSNameMax));
  info.flags = flags;
  info.firstBlock = firstBlock;
  info.storedSize = storedSize;
  info.fullSize = fullSize;
  info.date = date;
  int32_t node;
  if (parent < 0) {
    const int32_t slot = owner_.FreeRootSlot();
    if (slot < 0) owner_.Refuse("no free root slot left for '" + info.name + "'");
    owner_.roots_[size_t(slot)] = info;  // taken now, written with the record
    node = AddRootNode(uint32_t(slot), info);
  } else {
    node = AddChildNode(parent, info);
  }
  if (write) {
    owner_.WriteFile(nodes_[size_t(node)].info, nullptr, 0);
    WriteNodeRecord(node);
  }
  return node;
}

void TVFSTree::WriteNodeRecord(int32_t node) {
  const TTreeFileInfo& n = nodes_[size_t(node)];
  if (n.parent < 0) owner_.WriteRootRecord(n.slot, n.info);
  else RewriteParent(n.parent);
}

void TVFSTree::RewriteParent(int32_t parent) {
  std::vector<uint8_t> data;
  for (int32_t child : nodes_[size_t(parent)].children) {
    if (child < 0) continue;
    data.resize(data.size() + kVFSRecordSize);
    EncodeFileInfo(nodes_[size_t(child)].info, data.data() + data.size() - kVFSRecordSize);
  }
  TVFSFileInfo& info = nodes_[size_t(parent)].info;
  if (int64_t(data.size()) == info.storedSize) {
    owner_.OverwriteChain(info, data.data(), data.size());
    return;
  }
  owner_.FreeChain(info);
  owner_.WriteFile(info, data.empty() ? nullptr : data.data(), data.size());
  WriteNodeRecord(parent);
}

void TVFSTree::StoreFileData(int32_t node, const uint8_t* data, size_t length,
                             const std::optional<std::vector<uint8_t>>& compressed) {
  TVFSFileInfo& info = nodes_[size_t(node)].info;
  info.fullSize = static_cast<int32_t>(length);
  if (compressed) {
    info.flags |= kVFSFlagCompressed;
    owner_.WriteFile(info, compressed->data(), compressed->size());
  } else {
    info.fullSize = 0;
    owner_.WriteFile(info, length ? data : nullptr, length);
  }
}

void TVFSTree::DeletePath(std::string_view path, bool childFlag) {
  const int32_t node = FindPath(path);
  if (node >= 0) DeleteItem(node, childFlag);
}

void TVFSTree::DeleteItem(int32_t node, bool childFlag) {
  const std::vector<int32_t> children = nodes_[size_t(node)].children;
  for (int32_t child : children)
    if (child >= 0) DeleteItem(child, true);
  owner_.FreeChain(nodes_[size_t(node)].info);
  const int32_t parent = nodes_[size_t(node)].parent;
  if (parent >= 0)
    std::replace(nodes_[size_t(parent)].children.begin(), nodes_[size_t(parent)].children.end(), node, -1);
  if (parent < 0) owner_.WriteRootRecord(nodes_[size_t(node)].slot, TVFSFileInfo{});
  else if (!childFlag) RewriteParent(parent);
  FreeNode(node);
}

std::vector<uint8_t> TVFSTree::ReadFileData(int32_t node) {
  const TVFSFileInfo info = nodes_[size_t(node)].info;
  const std::string& path = nodes_[size_t(node)].path;
  std::vector<uint8_t> stored = owner_.ReadChain(info.firstBlock, info.storedSize, path);
  if (!(info.flags & kVFSFlagCompressed)) return stored;
  // Each piece of at least 5 bytes inflates to at most 50,000.
  if (info.fullSize < 0 || int64_t(info.fullSize) > int64_t(stored.size() / 5 + 1) * int64_t(kVFSPieceSize))
    owner_.Fail("'" + path + "' has an impossible full size " + std::to_string(info.fullSize));
  std::vector<uint8_t> out(size_t(info.fullSize));
  size_t done = 0;
  for (TBufferManager buffer(stored); !buffer.AtEnd();) {
    const uint8_t* word = buffer.Take(4);
    const uint32_t pieceLength = word ? platform::DecodeFixed32(word) : 0;
    const uint8_t* piece = word ? buffer.Take(pieceLength) : nullptr;
    uLongf produced = static_cast<uLongf>(std::min(kVFSPieceSize, out.size() - done));
    if (!piece || uncompress(out.data() + done, &produced, piece, pieceLength) != Z_OK)
      owner_.Fail("the compressed data of '" + path + "' is damaged");
    done += produced;
  }
  if (done != out.size()) owner_.Fail("the compressed data of '" + path + "' is shorter than its full size");
  return out;
}
