// Opening a document or a web address as the user at the desktop from a program that
// runs elevated. The program asks the desktop's own shell (the Explorer process of the
// logged-on user, through its shell windows) to carry out the default action, so the
// program that shows the document runs with the user's rights, not the
// administrator's.
#pragma once

#include <string>

namespace platform::win32 {

// True when the process runs with an elevated token (a full administrator's).
bool ProcessIsElevated();

// Asks the desktop's shell to open the target; false when there is no desktop shell to
// ask (no Explorer running, a system without the shell's automation).
bool OpenThroughDesktopShell(const std::wstring& target, const std::wstring& parameters);

}  // namespace platform::win32
