// A prefix belongs to the user who owns its folder, as Wine decides it.
#include "platform/MachineOwner.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/posix/Prefix.h"

namespace platform {

namespace {

std::string UserText(uid_t uid) {
  const passwd* entry = getpwuid(uid);
  const std::string number = "uid " + std::to_string(uid);
  return entry && entry->pw_name ? std::string(entry->pw_name) + " (" + number + ")" : number;
}

}  // namespace

Status CheckMachineOwner() {
  const std::string prefix = posix::PrefixPath();
  struct stat st;
  if (stat(prefix.c_str(), &st) != 0) {
    if (errno == ENOENT) return Status::Success();  // made by this user when first used
    return Status::Failure("cannot look at the prefix " + prefix + ": " + std::strerror(errno));
  }
  const uid_t user = geteuid();
  if (st.st_uid == user) return Status::Success();
  return Status::Failure("the prefix " + prefix + " is not owned by you: it belongs to " +
                         UserText(st.st_uid) + ", and you are " + UserText(user) +
                         "; run the program as the prefix's owner");
}

}  // namespace platform
