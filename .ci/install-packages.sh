#!/bin/sh
# Installs the Debian packages named on the command line that are not installed yet.
#
# The 32-bit packages (NAME:i386, for 32-bit Wine) go in a second step, and only where
# the kernel runs 32-bit programs. Their libraries are "Multi-Arch: same": each must
# have the same version as its installed amd64 half, and a mirror's i386 lists often
# lag the amd64 ones (or the security list of one architecture failed to fetch), so
# that apt finds no match and gives up. Then .ci/foreign-pins.sh chooses, for each such
# library, the newest version both architectures offer. Installing those changes the
# version of installed libraries, which this does only in CI (CI set) or when asked
# (WINE32=1, `make deps WINE32=1`); otherwise it lists the changes and goes on without
# 32-bit Wine. Nothing is ever removed: a plan that removes a package is refused.
# Without 32-bit Wine the Windows build is tested as 64-bit under wine64.
set -u
SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
ci_dir=$(dirname "$0")

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

# Succeeds when apt can install the arguments without removing anything; the plan is
# left in $plan.
plan_removes_nothing() {
  apt-get install -s -y --no-install-recommends "$@" >"$plan" 2>&1 && ! grep -q '^Remv' "$plan"
}

give_up_on_foreign() { # REASON
  echo "WARNING: 32-bit Wine not installed: $1;" \
    "the shipped 32-bit programs cannot be tested here (the Windows build is tested under wine64)"
  exit 0
}

install_foreign() { # PACKAGE:i386...
  if plan_removes_nothing "$@"; then
    install "$@" && return 0
  fi
  echo "The i386 package lists do not match the installed amd64 libraries; choosing versions both offer"
  pins=$("$ci_dir/foreign-pins.sh" "$@") || give_up_on_foreign "no version set fits both architectures"
  # shellcheck disable=SC2046
  set -- "$@" $(echo "$pins" | awk 'NF == 3 { print $1 "=" $2 }')
  plan_removes_nothing --allow-downgrades "$@" ||
    give_up_on_foreign "apt finds no way to install it that removes nothing ($(grep -m1 '^E:' "$plan"))"
  changes=$(echo "$pins" | awk '$1 !~ /:i386$/ && $3 != "-" && $2 != $3 { print "  " $1 " " $3 " -> " $2 }')
  if [ -n "$changes" ]; then
    echo "It changes the versions of $(echo "$changes" | wc -l) installed packages:"
    echo "$changes"
    if [ -z "${CI:-}" ] && [ "${WINE32:-}" != 1 ]; then
      echo "To allow that, run \`make deps WINE32=1\` (CI runs do it by themselves)."
      give_up_on_foreign "it needs installed libraries at other versions"
    fi
  fi
  install --allow-downgrades "$@"
}

native=""; foreign=""
for p in "$@"; do
  case "$p" in *:i386) foreign="$foreign $p";; *) native="$native $p";; esac
done
# shellcheck disable=SC2086
native_missing=$(missing_of $native)
# shellcheck disable=SC2086
foreign_missing=$(missing_of $foreign)
if [ -n "$foreign_missing" ] && ! "$ci_dir/kernel-runs-32bit.sh"; then
  echo "This kernel runs no 32-bit programs: not installing$foreign_missing"
  foreign_missing=""
fi
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
  plan=$(mktemp)
  trap 'rm -f "$plan"' EXIT
  # shellcheck disable=SC2086
  install_foreign $foreign_missing || give_up_on_foreign "apt-get failed"
fi
exit 0
