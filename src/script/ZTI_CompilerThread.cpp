#include "script/ZTI_CompilerThread.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <utility>

#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/FileKinds.h"
#include "platform/Files.h"
#include "script/ZTI_CommandList.h"

namespace {

bool EndsWithSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

// "C:\x", "C:x", "\x", "/x": not to be joined to the base directory.
bool IsAbsolute(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return true;
  return !path.empty() && (path[0] == '\\' || path[0] == '/');
}

// What names a folder itself, whichever path or link reaches it.
using FolderId = std::pair<uint64_t, uint64_t>;
std::optional<FolderId> FolderIdOf(const std::string& path) {
  const std::optional<platform::FileFacts> facts = platform::FileFactsOf(path);
  if (!facts) return std::nullopt;
  return FolderId{facts->volumeId, facts->fileId};
}

// The file name part of a path: what follows the last separator.
std::string FileNamePart(const std::string& path) {
  const size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// A file or folder of a walk whose name no entry can carry: raises ESetupError naming
// it, where it would otherwise be packed under another name or left out unseen.
void RefuseUnusableName(const std::string& path) {
  // The entry would carry the stand-in the system gave for the name, and the setup
  // would write a file or folder of that other name.
  if (!platform::NameFitsCodePage(path))
    throw platform::ESetupError("the name of \"" + platform::HostPathOf(path).value_or(path) +
                                "\" holds characters outside the Windows-1252 code page, which entry "
                                "names are stored in; rename it");
  // Windows drops the dot or blank: the name opens another file, or none.
  if (path.back() == '.' || path.back() == ' ')
    throw platform::ESetupError("the name of \"" + path +
                                "\" ends in a dot or blank, which Windows drops from names; rename it");
}

}  // namespace

std::string IncludeTrailingBackslash(const std::string& path) {
  return path.empty() || EndsWithSeparator(path) ? path : path + "\\";
}

// ---- TCompilerFileList ----

TCompilerFileList::TCompilerFileList(TCompiler& owner) : owner_(owner) { Reset(); }

void TCompilerFileList::Reset() {
  Groups.assign(1, TGroup{});
  FileCount = 0;
  GroupCounter = 0;
}

void TCompilerFileList::EnsureGroup(int32_t index, const std::string& name) {
  if (index < 0 || static_cast<size_t>(index) < Groups.size()) return;
  Groups.resize(static_cast<size_t>(index) + 1);
  Groups[index].Name = platform::AnsiLower(name);
}

void TCompilerFileList::AddSource(const std::string& source, int32_t group, const std::string& prefix,
                                  bool asWritten, const std::string& groupName) {
  EnsureGroup(group, groupName);
  const std::string path = owner_.SourcePath(source, asWritten);
  // A folder is walked whether or not it was written with a trailing backslash.
  if (platform::DirectoryExists(path)) WalkDirectory(IncludeTrailingBackslash(path), prefix, group);
  else if (platform::FileExists(path)) EnterFile(path, FileNamePart(path), prefix, group);
}

void TCompilerFileList::WalkDirectory(const std::string& top, const std::string& prefix, int32_t group) {
  const std::string skipped = platform::AnsiLower(owner_.PageIconPath());
  struct Folder {
    std::string path;
    std::vector<FolderId> within;  // the folder itself and every folder above it
  };
  std::deque<Folder> pending(1, Folder{top, {}});
  if (const auto id = FolderIdOf(top)) pending.front().within.push_back(*id);
  while (!pending.empty()) {
    const Folder folder = std::move(pending.front());
    pending.pop_front();
    for (const platform::DirectoryEntry& item : platform::ListDirectory(folder.path)) {
      const std::string path = folder.path + item.name;
      RefuseUnusableName(path);
      if (item.isDirectory) {
        // A link back to a folder of the walk would enter the same files again at
        // every level, without end.
        Folder inner{path + "\\", folder.within};
        const auto id = FolderIdOf(inner.path);
        if (item.isLink && id &&
            std::find(inner.within.begin(), inner.within.end(), *id) != inner.within.end()) {
          owner_.Warning("Folder link leads back into the folder walked, not followed - " + path);
          continue;
        }
        if (id) inner.within.push_back(*id);
        pending.push_back(std::move(inner));
      } else if (platform::AnsiLower(path) != skipped) {
        EnterFile(path, path.substr(top.size()), prefix, group);
      }
    }
  }
}

void TCompilerFileList::EnterFile(const std::string& source, const std::string& name,
                                  const std::string& prefix, int32_t group) {
  if (!platform::FileExists(source)) return;
  owner_.Progress("Adding To List " + name + " Current Count: " + std::to_string(FileCount));
  EnsureGroup(group, "");
  const std::string& target = Groups[group].Name;
  const std::string lowerName = platform::AnsiLower(name);

  int32_t into = group;
  if (group != 0 && !target.empty()) {
    // An earlier group that updates the same package or archive takes the file; an
    // entry of the same name there is replaced rather than listed twice.
    for (size_t g = 1; g < Groups.size(); ++g) {
      if (static_cast<int32_t>(g) == group || Groups[g].Name != target) continue;
      for (TFile& file : Groups[g].Files) {
        if (platform::AnsiLower(file.EntryName) != lowerName) continue;
        file.Source = source;
        file.EntryName = name;
        owner_.Notice("Replacing Previous Instance of " + name);
        return;
      }
    }
    for (size_t g = 1; g < Groups.size(); ++g) {
      if (static_cast<int32_t>(g) != group && Groups[g].Name == target) {
        into = static_cast<int32_t>(g);
        break;
      }
    }
  }
  Groups[into].Files.push_back(TFile{source, prefix + name, into});
  ++FileCount;
}

// ---- TCompiler ----

TCompiler::TCompiler() : FileList(*this) {}

void TCompiler::Notice(const std::string& text) const {
  if (OnNotice) OnNotice(text);
}

void TCompiler::Progress(const std::string& text) const {
  if (OnProgress) OnProgress(text);
}

void TCompiler::Warning(const std::string& text) const {
  if (OnWarning) OnWarning(text);
}

std::string TCompiler::SourcePath(const std::string& source, bool asWritten) const {
  if (asWritten || BaseDir.empty() || IsAbsolute(source)) return source;
  return IncludeTrailingBackslash(BaseDir) + source;
}

std::string TCompiler::PageIconPath() const {
  return IncludeTrailingBackslash(IncludeTrailingBackslash(DataDir) + "layout\\" + Info.Info.Pages) +
         "icon.ico";
}

int32_t TCompiler::AppendNewGroup(int32_t lineIndex) {
  if (FileList.GroupCounter == UINT16_MAX)
    throw platform::ESetupError("Too many file groups (at most 65535)");
  const int32_t group = ++FileList.GroupCounter;
  Lines.Lines.at(lineIndex).Params.push_back(std::to_string(group));
  return group;
}

bool TCompiler::CompileAll(const TCommandList& commands) {
  ErrorText.clear();
  ErrorLine = -1;
  for (int32_t i = 0; i < Lines.Count(); ++i) {
    TCommandClass* command = commands.Command(Lines.Lines[i].Command);
    if (!command) continue;
    CompilingLine = i;
    command->Compile(*this, i);
    CompilingLine = -1;
    if (!ErrorText.empty()) return false;
    if (command->PackagingOnly) {
      Lines.Lines[i].Command = kCommandNone;
      Lines.Lines[i].LineNo = -1;
    }
  }
  return true;
}
