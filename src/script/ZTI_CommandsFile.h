// The file commands: file, copyfile, rename, delete, rmdir, createdirectory, execute.
//
// Only `file` has a packaging step of its own: it takes the next file group, appends
// the group number as its last parameter and enters its source (a file, or every file
// below a folder) into the packaging file list under that group. The others store
// their lines as written.
#pragma once

#include "script/ZTI_CommandList.h"

class TFileCommand : public TCommandClass {
 public:
  TFileCommand() : TCommandClass(CommandNumberOf("file")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
  uint8_t FileGroupKind() const override { return kGroupKindFiles; }
};

class TCopyFileCommand : public TCommandClass {
 public:
  TCopyFileCommand() : TCommandClass(CommandNumberOf("copyfile")) {}
};

class TRenameCommand : public TCommandClass {
 public:
  TRenameCommand() : TCommandClass(CommandNumberOf("rename")) {}
};

class TDeleteCommand : public TCommandClass {
 public:
  TDeleteCommand() : TCommandClass(CommandNumberOf("delete")) {}
};

class TRMDirCommand : public TCommandClass {
 public:
  TRMDirCommand() : TCommandClass(CommandNumberOf("rmdir")) {}
};

class TCreateDirectoryCommand : public TCommandClass {
 public:
  TCreateDirectoryCommand() : TCommandClass(CommandNumberOf("createdirectory")) {}
};

class TExecuteCommand : public TCommandClass {
 public:
  TExecuteCommand() : TCommandClass(CommandNumberOf("execute")) {}
};
