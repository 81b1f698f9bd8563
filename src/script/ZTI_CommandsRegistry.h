// The registry and shortcut commands: writeregstr, writeregstr_url, createshortcut.
// Their lines are stored as written, with the data unexpanded (the run step expands
// the path variables). The registry commands' packaging step refuses a line whose
// registry entry line the install log could not carry (script/SE_RegistryEntryLine.h).
//
// Run steps (ZTI_CommandsRegistry_Run.cpp): writeregstr writes one string value,
// writeregstr_url the three keys of a URL protocol below HKEY_CLASSES_ROOT,
// createshortcut a shell link; each records what it wrote for the uninstaller
// (registry entry lines carry the data as written, before expansion).
#pragma once

#include "script/ZTI_CommandList.h"

class TWriteRegStrCommand : public TCommandClass {
 public:
  TWriteRegStrCommand() : TCommandClass(CommandNumberOf("writeregstr")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
  void Execute(int32_t lineIndex) override;
};

class TWriteRegStr_URLCommand : public TCommandClass {
 public:
  TWriteRegStr_URLCommand() : TCommandClass(CommandNumberOf("writeregstr_url")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
  void Execute(int32_t lineIndex) override;
};

class TCreateShortCutCommand : public TCommandClass {
 public:
  TCreateShortCutCommand() : TCommandClass(CommandNumberOf("createshortcut")) {}
  void Execute(int32_t lineIndex) override;
};
