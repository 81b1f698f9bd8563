#include "script/SE_SetAside.h"

#include <vector>

#include "platform/Files.h"

namespace {

constexpr size_t kCopyPiece = 1 << 20;

// A new file at target with source's bytes, on the disk when this returns.
bool CopyDurably(const std::string& source, const std::string& target) {
  platform::File in = platform::File::Open(source, platform::OpenMode::ReadShared);
  if (!in.IsOpen()) return false;
  if (platform::FileExists(target) && !platform::DeleteFileAt(target)) return false;
  platform::File out = platform::File::Open(target, platform::OpenMode::CreateTruncate);
  if (!out.IsOpen()) return false;
  std::vector<char> piece(kCopyPiece);
  for (size_t count; (count = in.Read(piece.data(), piece.size())) > 0;)
    if (!out.WriteAll(piece.data(), count)) break;
  const bool whole = in.Position() == in.Size() && out.Size() == in.Size() && out.Flush();
  out.Close();
  if (!whole) platform::DeleteFileAt(target);
  return whole;
}

}  // namespace

bool SetAsideForReplacement(const std::string& path, const std::string& copy) {
  return platform::RenameFile(path, copy) || CopyDurably(path, copy);
}

void UndoSetAside(const std::string& path, const std::string& copy) {
  if (!platform::FileExists(path)) platform::RenameFile(copy, path);
  else if (platform::FileExists(copy)) platform::DeleteFileAt(copy);
}

bool PutCopyBack(const std::string& copy, const std::string& path) {
  if (platform::ReplaceFileWith(copy, path)) return true;
  // Across volumes: a whole copy beside the place takes it in one step.
  const std::string beside = path + ".~back";
  if (CopyDurably(copy, beside)) {
    if (platform::ReplaceFileWith(beside, path)) {
      platform::DeleteFileAt(copy);
      return true;
    }
    platform::DeleteFileAt(beside);
  }
  return false;
}
