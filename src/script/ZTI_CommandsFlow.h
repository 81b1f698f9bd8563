// The flow and message commands (goto, iffileexists, messagebox, message, failure)
// and the ones that bring the setup's own resources into the package (language,
// uninstalllanguage, pages, uninstallpages, changelog).
//
// Packaging steps: jump targets are resolved to line indices ("0" means "no jump" and
// becomes "-1" for iffileexists and messagebox); language tables are entered in
// group 0; the page folders and the change-log text go into the setup information.
//
// Run steps (ZTI_CommandsFlow_Run.cpp): goto and iffileexists store their target in
// CurrentLine, so the walk continues after the line named; messagebox stores the
// target minus one, so the walk continues at it; message shows a status text with
// its "<LANGn>" tags expanded; failure shows language text 23 as the finish text and
// raises AbortRequested.
#pragma once

#include "script/ZTI_CommandList.h"

class TGotoCommand : public TCommandClass {
 public:
  TGotoCommand() : TCommandClass(CommandNumberOf("goto")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
  void Execute(int32_t lineIndex) override;
};

class TIfFileExistsCommand : public TCommandClass {
 public:
  TIfFileExistsCommand() : TCommandClass(CommandNumberOf("iffileexists")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
  void Execute(int32_t lineIndex) override;
};

class TMessageBoxCommand : public TCommandClass {
 public:
  TMessageBoxCommand() : TCommandClass(CommandNumberOf("messagebox")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
  void Execute(int32_t lineIndex) override;
};

class TMessageCommand : public TCommandClass {
 public:
  TMessageCommand() : TCommandClass(CommandNumberOf("message")) {}
  void Execute(int32_t lineIndex) override;
};

class TFailureCommand : public TCommandClass {
 public:
  TFailureCommand() : TCommandClass(CommandNumberOf("failure")) {}
  void Execute(int32_t lineIndex) override;
};

class TLanguageCommand : public TCommandClass {
 public:
  TLanguageCommand() : TCommandClass(CommandNumberOf("language")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
};

class TUninstallLanguageCommand : public TCommandClass {
 public:
  TUninstallLanguageCommand() : TCommandClass(CommandNumberOf("uninstalllanguage")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
};

class TPagesCommand : public TCommandClass {
 public:
  TPagesCommand() : TCommandClass(CommandNumberOf("pages")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
};

class TUninstallPagesCommand : public TCommandClass {
 public:
  TUninstallPagesCommand() : TCommandClass(CommandNumberOf("uninstallpages")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
};

class TChangelogCommand : public TCommandClass {
 public:
  TChangelogCommand() : TCommandClass(CommandNumberOf("changelog")) {}
  void Compile(TCompiler& compiler, int32_t lineIndex) override;
};

// The entry name prefixes of the language tables: install tables, and the tables the
// uninstaller carries (its builder strips "UNINSTALL_").
inline constexpr const char* kLanguageEntryPrefix = "LANGUAGE-";
inline constexpr const char* kUninstallLanguageEntryPrefix = "UNINSTALL_LANGUAGE-";
