// The command classes' common base and the program's list of command objects.
//
// Each script command is a TCommandClass descendant with three steps: Compile, the
// packaging step the packaging tool runs on its own line list (it resolves labels,
// hands sources to the file list, moves settings into the setup information);
// Execute, the run step the setup thread calls for a line; and FileGroupKind, which
// tells start-up whether a line owns a group of package entries. Keyword, minimum,
// packaging-only flag and group kind come from the command table, so a class cannot
// disagree with it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "script/ZTI_CommandTable.h"

class TCompiler;
class TCompLines;

class TCommandClass {
 public:
  explicit TCommandClass(int32_t number);
  virtual ~TCommandClass() = default;
  TCommandClass(const TCommandClass&) = delete;
  TCommandClass& operator=(const TCommandClass&) = delete;

  const std::string Keyword;
  const bool PackagingOnly;

  int32_t Number() const { return number_; }
  // The least number of parameters the packaging step accepts.
  int32_t MinParams() const;

  // Packaging step for the line at lineIndex of the compiler's lines. The base
  // does nothing: a command that only acts at install time stores its line as
  // written.
  virtual void Compile(TCompiler& compiler, int32_t lineIndex);
  // Run step for the line at lineIndex of the program's compiled lines.
  virtual void Execute(int32_t lineIndex);
  // kGroupKindNone, kGroupKindFiles or kGroupKindUpdate, as the table says.
  uint8_t FileGroupKind() const;

 protected:
  // Whether the compiler's line has the table's minimum of parameters.
  bool MeetsMinimum(const TCompiler& compiler, int32_t lineIndex) const;

 private:
  int32_t number_;
};

class TCommandList {
 public:
  // Appends a command and returns its 0-based index.
  int32_t Add(std::unique_ptr<TCommandClass> command);
  // The command with the stored number (1-based); null for a number it does not hold.
  TCommandClass* Command(int32_t number) const;
  int32_t Count() const { return static_cast<int32_t>(Items.size()); }
  void Clear() { Items.clear(); }

  std::vector<std::unique_ptr<TCommandClass>> Items;
};

// The program's one command list, filled by RegisterCommands.
TCommandList& CommandList();

// The file groups of a compiled script: element k tells whether group k holds update
// data (true) or plain files (false). Element 0 (the setup's own entries) is false;
// the k-th line whose command owns a group owns group k, as the packaging steps
// numbered them.
std::vector<bool> GroupIsUpdate(const TCompLines& lines, const TCommandList& commands);
