// The install-log commands: uninstalllogload and uninstalllogsave replace the
// uninstall list from, or write it to, an install log in a directory the script
// names, so that a setup can carry over the record of an earlier installation.
// Their lines are stored as written. At run time the directory is expanded and the
// optional prefix used as written; loading a log that does not exist changes nothing.
#pragma once

#include "script/ZTI_CommandList.h"

class TUninstallLogLoadCommand : public TCommandClass {
 public:
  TUninstallLogLoadCommand() : TCommandClass(CommandNumberOf("uninstalllogload")) {}
  void Execute(int32_t lineIndex) override;
};

class TUninstallLogSaveCommand : public TCommandClass {
 public:
  TUninstallLogSaveCommand() : TCommandClass(CommandNumberOf("uninstalllogsave")) {}
  void Execute(int32_t lineIndex) override;
};
