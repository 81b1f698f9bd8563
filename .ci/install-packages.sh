#!/bin/sh
# Installs the Debian packages named on the command line that are not installed yet.
#
# The 32-bit packages (NAME:i386, for 32-bit Wine) go in a second step, because a
# mirror in the middle of a sync can leave the i386 lists a version behind the
# native ones, and then no i386 library can be installed at all. The native packages
# must install; the 32-bit ones are tried again once after a pause, and when they
# still cannot be installed the run goes on without them (the Windows build is then
# tested as 64-bit under wine64, which the Makefile chooses by itself).
set -u
SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo

missing_of() {
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || printf ' %s' "$p"
  done
}

update_lists() {
  $SUDO apt-get update -qq ||
    echo "apt-get update could not fetch every list (a mirror in sync?); installing from what it has"
}

install() {
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$@"
}

native=""; foreign=""
for p in "$@"; do
  case "$p" in *:i386) foreign="$foreign $p";; *) native="$native $p";; esac
done
# shellcheck disable=SC2086
native_missing=$(missing_of $native)
# shellcheck disable=SC2086
foreign_missing=$(missing_of $foreign)
[ -z "$native_missing$foreign_missing" ] && exit 0

if [ -n "$foreign_missing" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
update_lists
if [ -n "$native_missing" ]; then
  echo "Installing:$native_missing"
  # shellcheck disable=SC2086
  install $native_missing || exit 1
fi
if [ -n "$foreign_missing" ]; then
  echo "Installing:$foreign_missing"
  # shellcheck disable=SC2086
  install $foreign_missing && exit 0
  echo "The 32-bit packages could not be installed; trying once more in a minute"
  sleep 60
  update_lists
  # shellcheck disable=SC2086
  install $foreign_missing && exit 0
  echo "WARNING: the 32-bit packages$foreign_missing could not be installed;" \
       "going on without them (the Windows build is then tested under wine64)"
fi
exit 0
