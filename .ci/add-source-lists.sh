#!/bin/sh
# The Windows build compiles zstd from Debian's source package (mingw-w64 has no zstd
# package), so apt needs the source lists beside the binary ones: a deb-src entry for
# each Debian suite the machine installs from. Adds them once; does nothing when they
# are there.
set -u
SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
LIST=/etc/apt/sources.list.d/debian-sources.sources

if grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  exit 0
fi
. /etc/os-release
codename=${VERSION_CODENAME:-bookworm}
$SUDO tee "$LIST" >/dev/null <<LISTS
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $codename $codename-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: $codename-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
LISTS
$SUDO apt-get update -qq || echo "apt-get update could not fetch every source list; the Windows build may not find zstd's sources"
