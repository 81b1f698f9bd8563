// The identity commands: name, shortname, outfile, installdir, installdirregkey,
// prefix and compression. They act only when the package is made, filling the setup information
// record; their lines reach the package with nothing to run (Command -1).
#pragma once

#include "script/ZTI_CommandList.h"

class TNameCommand : public TCommandClass {
 public:
  TNameCommand() : TCommandClass(CommandNumberOf("name")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
};

class TShortNameCommand : public TCommandClass {
 public:
  TShortNameCommand() : TCommandClass(CommandNumberOf("shortname")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
};

class TOutFileCommand : public TCommandClass {
 public:
  TOutFileCommand() : TCommandClass(CommandNumberOf("outfile")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
};

class TInstallDirCommand : public TCommandClass {
 public:
  TInstallDirCommand() : TCommandClass(CommandNumberOf("installdir")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
};

class TInstallDirRegKeyCommand : public TCommandClass {
 public:
  TInstallDirRegKeyCommand() : TCommandClass(CommandNumberOf("installdirregkey")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
};

class TUninstallPrefixCommand : public TCommandClass {
 public:
  TUninstallPrefixCommand() : TCommandClass(CommandNumberOf("prefix")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
};

class TCompressionCommand : public TCommandClass {
 public:
  TCompressionCommand() : TCommandClass(CommandNumberOf("compression")) {}
  // Raises ESetupError for a method other than zlib, zstd or zstd-max.
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
};
