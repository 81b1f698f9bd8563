// Two add-ons must not share the install log and uninstaller of one prefix in one
// folder, nor one uninstall key: the second would replace the first's records, and
// the first's kept originals and its uninstaller would be lost with them. Before a
// run changes anything, the setup looks at what is already there:
// - the uninstaller beside an existing install log of its prefix, whose setup
//   information names another short title;
// - its uninstall key, whose uninstaller (another file than this setup's would be)
//   carries another setup's name.
// The same add-on installed again, into the same folder or another one, is no clash.
// Records that do not tell whose they are (a log without an uninstaller, a key whose
// program is gone) are taken as this add-on's, as before.
#pragma once

#include <optional>
#include <string>

#include "script/ZTI_SetupInfo.h"

// Nothing when the way is free; else the message that names both add-ons.
std::optional<std::string> AnotherAddOnInTheWay(const TSetupInfo& info, const std::string& installDir);

// The setup information carried by a setup program or uninstaller; nothing when the
// file carries none.
std::optional<TSetupInfo> SetupInfoOfProgram(const std::string& path);
