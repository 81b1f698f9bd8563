// The Wine-style prefix that stands for the Windows machine on Linux: the one the setup
// chose (platform/Machine.h), else $WINEPREFIX, else ~/.wine. The variable is read on every use, so a test
// (or a tool run) can point it at a fresh directory; the first use of a prefix that has no dosdevices folder
// creates the minimal layout (drive_c, the c: and z: drive links, the registry files
// with their headers, the user's folders).
#pragma once

#include <string>

namespace platform::posix {

// The prefix directory on the host, absolute, without a trailing slash; its layout
// exists when this returns (as far as the host allows). "" while the setup has not
// chosen its prefix (DeferMachineChoice): there is no machine yet, and nothing is made.
std::string PrefixRoot();

// The prefix the setup chose, used before $WINEPREFIX ("" for none); and whether, with
// neither, the choice is still open (else ~/.wine is the prefix).
void SetChosenPrefix(const std::string& root, bool choiceOpen);
bool PrefixChoiceOpen();
struct PrefixChoice {
  std::string root;
  bool open = false;
};
PrefixChoice CurrentPrefixChoice();

// The user name Wine uses for the profile folder drive_c/users/<name>.
std::string UserName();

// The Windows path of the user's profile folder ("C:\users\<name>").
std::string UserProfilePath();

// mkdir -p on the host; true when the directory exists afterwards.
bool MakeHostDirectories(const std::string& hostPath);

// Creates a file with the given content unless something already has the name; the
// content appears all at once (written beside it, then linked into place).
bool CreateHostFileOnce(const std::string& hostPath, const std::string& content);

// The first lines of the three registry files, as Wine writes them.
extern const char kSystemRegHeader[];
extern const char kUserRegHeader[];
extern const char kUserDefRegHeader[];

}  // namespace platform::posix
