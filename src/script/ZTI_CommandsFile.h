// The file commands: file, copyfile, rename, delete, rmdir, createdirectory, execute.
//
// Only `file` has a packaging step of its own: it takes the next file group, appends
// the group number as its last parameter and enters its source (a file, or every file
// below a folder) into the packaging file list under that group. The others store
// their lines as written.
//
// Run steps (ZTI_CommandsFile_Run.cpp): `file` extracts its group below the
// installation directory (optionally only when a registry value matches); the others
// work on files, directories and programs named with path variables. Single failures
// of the file system or of a program start are silent: the run goes on.
#pragma once

#include <string>

#include "script/ZTI_CommandList.h"

// The path with "$CDDRIVE" (any letter case) replaced by the root of the first CD-ROM
// drive, in drive order, at which the named file exists; the path unchanged when it
// holds no "$CDDRIVE" or no CD-ROM drive holds the file.
std::string ResolveCdDrive(const std::string& path);

class TFileCommand : public TCommandClass {
 public:
  TFileCommand() : TCommandClass(CommandNumberOf("file")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
  void Execute(int32_t lineIndex) override;
};

class TCopyFileCommand : public TCommandClass {
 public:
  TCopyFileCommand() : TCommandClass(CommandNumberOf("copyfile")) {}
  void Execute(int32_t lineIndex) override;
};

class TRenameCommand : public TCommandClass {
 public:
  TRenameCommand() : TCommandClass(CommandNumberOf("rename")) {}
  void Execute(int32_t lineIndex) override;
};

class TDeleteCommand : public TCommandClass {
 public:
  TDeleteCommand() : TCommandClass(CommandNumberOf("delete")) {}
  void Execute(int32_t lineIndex) override;
};

class TRMDirCommand : public TCommandClass {
 public:
  TRMDirCommand() : TCommandClass(CommandNumberOf("rmdir")) {}
  void Execute(int32_t lineIndex) override;
};

class TCreateDirectoryCommand : public TCommandClass {
 public:
  TCreateDirectoryCommand() : TCommandClass(CommandNumberOf("createdirectory")) {}
  void Execute(int32_t lineIndex) override;
};

class TExecuteCommand : public TCommandClass {
 public:
  TExecuteCommand() : TCommandClass(CommandNumberOf("execute")) {}
  void Execute(int32_t lineIndex) override;
};
