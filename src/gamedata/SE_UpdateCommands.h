// The commands that change the game's own data: ztpupdate and ztpofficial (game
// packages), vfsupdate (game archives) and duplicateentry (a second name for an entry
// of a game package).
//
// Packaging steps: ztpupdate and vfsupdate take the next file group (kind 2: update
// data, counted by its compressed size) with the package or archive they name as the
// group's target, so that updates of the same target share one group; ztpupdate and
// ztpofficial store their second parameter (password, access word) scrambled with the
// script parameter key, never as plain text.
#pragma once

#include "script/ZTI_CommandList.h"

class TZTPUpdateCommand : public TCommandClass {
 public:
  TZTPUpdateCommand() : TCommandClass(CommandNumberOf("ztpupdate")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
  uint8_t FileGroupKind() const override { return kGroupKindUpdate; }
};

class TZTPOfficialCommand : public TCommandClass {
 public:
  TZTPOfficialCommand() : TCommandClass(CommandNumberOf("ztpofficial")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
};

class TVFSUpdateCommand : public TCommandClass {
 public:
  TVFSUpdateCommand() : TCommandClass(CommandNumberOf("vfsupdate")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
  uint8_t FileGroupKind() const override { return kGroupKindUpdate; }
};

class TDuplicateEntryCommand : public TCommandClass {
 public:
  TDuplicateEntryCommand() : TCommandClass(CommandNumberOf("duplicateentry")) {}
};
