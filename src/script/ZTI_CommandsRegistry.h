// The registry and shortcut commands: writeregstr, writeregstr_url, createshortcut.
// They have no packaging step beyond the parameter minimum; their lines are stored as
// written, with the data unexpanded (the run step expands the path variables).
#pragma once

#include "script/ZTI_CommandList.h"

class TWriteRegStrCommand : public TCommandClass {
 public:
  TWriteRegStrCommand() : TCommandClass(CommandNumberOf("writeregstr")) {}
};

class TWriteRegStr_URLCommand : public TCommandClass {
 public:
  TWriteRegStr_URLCommand() : TCommandClass(CommandNumberOf("writeregstr_url")) {}
};

class TCreateShortCutCommand : public TCommandClass {
 public:
  TCreateShortCutCommand() : TCommandClass(CommandNumberOf("createshortcut")) {}
};
