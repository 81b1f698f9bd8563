#!/bin/sh
# The players' package as a player meets it: installs the Debian package with dpkg -i,
# then installs the demo add-on into a demo game through the installed setup program
# (setup HarbourMaps_Setup.exe) and removes it again through it (setup
# DemoMaps_Uninstall.exe). The add-on is packed with the build's mksetup, which the
# package does not carry. A package that was not installed before is removed again at
# the end, so a developer's machine is left as it was. Usage: run-installed.sh BUILD_DIR
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
deb=$(ls "$build"/addon-setup_*.deb | head -n 1)
work=$(mktemp -d "${TMPDIR:-/tmp}/addon-package.XXXXXX")
installed_before=0
dpkg -s addon-setup >/dev/null 2>&1 && installed_before=1
cleanup() {
  rm -rf "$work"
  [ "$installed_before" = 1 ] || dpkg -r addon-setup >/dev/null 2>&1 || true
}
trap cleanup EXIT
export WINEPREFIX="$work/prefix"

fail() { echo "run-installed: $*" >&2; exit 1; }

dpkg -i "$deb"
for program in setup setuptool finalise; do
  [ "$(command -v $program)" = "/usr/bin/$program" ] || fail "/usr/bin/$program is not installed"
done
grep -q '^Name=Install add-on$' /usr/share/applications/addon-setup.desktop || fail "no desktop entry"

game_host="$WINEPREFIX/drive_c/Games/Demo Game"
setuptool reg set 'HKCU\Software\DemoStudio\DemoGame' Path 'C:\Games\Demo Game'
mkdir -p "$game_host"
printf 'demo game\n' > "$game_host/DemoGame.exe"
"$build/bin/mksetup" "$here/../../examples/demo/demo.setup" --package-only \
  -o "$work/HarbourMaps_Setup.exe" 2>/dev/null

setup "$work/HarbourMaps_Setup.exe" --silent >/dev/null || fail "the installation failed"
[ -f "$game_host/DemoMaps_Uninstall.exe" ] || fail "no uninstaller was left"
setup "$game_host/DemoMaps_Uninstall.exe" --silent >/dev/null || fail "the uninstallation failed"
[ ! -e "$game_host/DemoMaps_Uninstall.exe" ] || fail "the uninstaller file was left behind"
[ -x /usr/bin/setup ] || fail "the installed setup program removed itself"
echo "run-installed: the demo add-on went in and out through the installed package"
