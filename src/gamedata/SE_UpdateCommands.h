// The commands that change the game's own data: ztpupdate and ztpofficial (game
// packages), vfsupdate (game archives) and duplicateentry (a second name for an entry
// of a game package).
//
// Packaging steps: ztpupdate and vfsupdate take the next file group (kind 2: update
// data, counted by its compressed size) with the package or archive they name as the
// group's target, so that updates of the same target share one group; ztpupdate and
// ztpofficial store their second parameter (password, access word) scrambled with the
// script parameter key, never as plain text.
//
// Run steps: ztpupdate and ztpofficial unscramble their second parameter into the line
// (so a second run of the same line unscrambles it again) and update the package named
// relative to the installation directory; vfsupdate stores its group into the archive
// and stops the run when the archive is missing; duplicateentry gives an entry of a
// package a second name. Nothing they change is recorded for uninstall.
#pragma once

#include "script/ZTI_CommandList.h"

class TZTPUpdateCommand : public TCommandClass {
 public:
  TZTPUpdateCommand() : TCommandClass(CommandNumberOf("ztpupdate")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
  void Execute(int32_t lineIndex) override;
};

class TZTPOfficialCommand : public TCommandClass {
 public:
  TZTPOfficialCommand() : TCommandClass(CommandNumberOf("ztpofficial")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
  void Execute(int32_t lineIndex) override;
};

class TVFSUpdateCommand : public TCommandClass {
 public:
  TVFSUpdateCommand() : TCommandClass(CommandNumberOf("vfsupdate")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
  void Execute(int32_t lineIndex) override;
};

class TDuplicateEntryCommand : public TCommandClass {
 public:
  TDuplicateEntryCommand() : TCommandClass(CommandNumberOf("duplicateentry")) {}
  void Execute(int32_t lineIndex) override;
};
