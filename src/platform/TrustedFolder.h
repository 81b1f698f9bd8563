// The folder where the program keeps the state it must be able to trust later (run
// journals, the originals of replaced game files, run locks). A game folder is often
// writable by every user; this folder is writable only by administrators and the
// system, so what a later elevated run reads there was written by an elevated run.
//
// Windows: "%ProgramData%\AddOnSetup", made with a protected access list (SYSTEM and
// Administrators: full control; Users: read), which its subfolders inherit. Any user
// may make folders in %ProgramData%: one that exists already is used only when it is
// a real folder (no reparse point) owned by SYSTEM, Administrators or the account the
// program runs as (never another standard user), and its access list is set again.
// Linux: "C:\ProgramData\AddOnSetup" inside the prefix, which belongs to the user who
// runs the program (the prefix check refuses any other); a link in its place is refused.
#pragma once

#include <string>

#include "platform/Result.h"

namespace platform {

inline constexpr const char* kTrustedFolderName = "AddOnSetup";

// The folder's path, made (or checked and mended) first. A failure names the folder
// and says why it cannot be used.
Result<std::string> TrustedStateFolder();

}  // namespace platform
