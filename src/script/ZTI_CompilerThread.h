// The packaging context: what the commands' packaging steps (Compile) work on.
//
// The packaging tool loads the script into Lines, sets the directories and runs
// CompileAll. The steps rewrite Lines (labels become line indices, grouping lines get
// their group number appended), fill Info from the identity commands and enter source
// files into FileList, from which the tool writes one package entry per file.
//
// TCompilerFileList groups the files by file group. Update commands that name the
// same game package or archive share the first such group: a later file with an entry
// name already there replaces the earlier source, so each entry is written once.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "script/ZTI_CompLines.h"
#include "script/ZTI_SetupInfo.h"
#include "script/ZTI_Types.h"

class TCompiler;
class TCommandList;

// The path with "\" appended, unless it is empty or already ends with "\" or "/".
std::string IncludeTrailingBackslash(const std::string& path);

class TCompilerFileList {
 public:
  explicit TCompilerFileList(TCompiler& owner);
  TCompilerFileList(const TCompilerFileList&) = delete;
  TCompilerFileList& operator=(const TCompilerFileList&) = delete;

  std::vector<TGroup> Groups;  // indexed by group number; group 0 is the setup's own
  int32_t FileCount = 0;       // files entered so far (for progress lines only)
  uint16_t GroupCounter = 0;   // last group number handed out

  // One group 0 with an empty name; both counters 0.
  void Reset();
  // Grows Groups to hold index; a new group gets name lower-cased. An existing group
  // keeps its name.
  void EnsureGroup(int32_t index, const std::string& name);
  // Enters a file, or every file below a directory (named by its path relative to
  // that directory), into the group. The source is joined to the compiler's base
  // directory unless asWritten is set or it is absolute. A source that does not
  // exist enters nothing. Folder links are followed, except one that leads back to
  // a folder of the walk (the compiler's warning names it). A file or folder of the
  // walk whose name the code page lacks raises ESetupError naming it.
  void AddSource(const std::string& source, int32_t group, const std::string& prefix, bool asWritten,
                 const std::string& groupName);
  // Enters one file as entry prefix + name, unless no file exists at source.
  void EnterFile(const std::string& source, const std::string& name, const std::string& prefix,
                 int32_t group);

 private:
  void WalkDirectory(const std::string& top, const std::string& prefix, int32_t group);
  TCompiler& owner_;
};

class TCompiler {
 public:
  TCompiler();
  TCompiler(const TCompiler&) = delete;
  TCompiler& operator=(const TCompiler&) = delete;

  // Each receives one line of text; unset ones are not called.
  std::function<void(const std::string&)> OnNotice;    // "Replacing Previous Instance of ..."
  std::function<void(const std::string&)> OnProgress;  // "Adding To List ... Current Count: n"
  std::function<void(const std::string&)> OnWarning;   // something left out (a language table)

  // Sources are taken relative to this folder; empty: as written.
  std::string BaseDir;
  // The packaging tool's data folder, holding "languages\" and "layout\".
  std::string DataDir;

  TSetupInfoFile Info;
  TCompLines Lines;
  // The script's compression line: "zlib", "zstd", "zstd-max", or empty when it has none.
  std::string Compression;
  TCompilerFileList FileList;

  // Set by a failed label lookup: "Label not found - " + name, and the LineNo of the
  // referring line.
  std::string ErrorText;
  int32_t ErrorLine = -1;
  // The index of the line whose packaging step runs (for messages); -1 otherwise.
  int32_t CompilingLine = -1;

  void Notice(const std::string& text) const;
  void Progress(const std::string& text) const;
  void Warning(const std::string& text) const;

  // The path a grouping command's source is read from (see AddSource).
  std::string SourcePath(const std::string& source, bool asWritten = false) const;
  // The "icon.ico" of the install page folder, which a directory walk leaves out.
  std::string PageIconPath() const;

  // Hands out the next group number and appends it, in decimal, as the line's last
  // parameter. Raises ESetupError when the group numbers are used up.
  int32_t AppendNewGroup(int32_t lineIndex);

  // Runs the packaging step of every line in order, dispatching on the stored
  // Command through the list. Lines of packaging-only commands are then stored as
  // Command -1 and LineNo -1. False, with ErrorText and ErrorLine set, when a step
  // failed.
  bool CompileAll(const TCommandList& commands);
};
