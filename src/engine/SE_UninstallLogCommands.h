// The install-log commands: uninstalllogload and uninstalllogsave replace the
// uninstall list from, or write it to, an install log in a directory the script
// names, so that a setup can carry over the record of an earlier installation.
// Their lines are stored as written.
#pragma once

#include "script/ZTI_CommandList.h"

class TUninstallLogLoadCommand : public TCommandClass {
 public:
  TUninstallLogLoadCommand() : TCommandClass(CommandNumberOf("uninstalllogload")) {}
};

class TUninstallLogSaveCommand : public TCommandClass {
 public:
  TUninstallLogSaveCommand() : TCommandClass(CommandNumberOf("uninstalllogsave")) {}
};
