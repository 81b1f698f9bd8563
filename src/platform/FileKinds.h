// What a path names, for readers of files a user names (the tools) and for the
// packaging tool's walk: whether reading it can end, and whether the program sees
// its real name.
#pragma once

#include <string>

namespace platform {

// The path names something that is neither a file on a disk nor a directory: a pipe,
// a device, a socket. Its size says nothing of how much a read gives; it may never end.
// False for a missing path.
bool IsDeviceOrPipe(const std::string& path);

// Whether the last name of an existing path, as the system spells it, fits the code
// page. False when it holds characters the code page lacks: the program then sees a
// stand-in (a short name; on Linux a digest such as "~1F3A09C2") that opens the same
// file but is not its name. True for a missing path.
bool NameFitsCodePage(const std::string& path);

}  // namespace platform
