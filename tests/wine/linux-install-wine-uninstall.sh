#!/bin/sh
# A Windows setup file installed by the Linux setup straight into a prefix, then removed
# the way a player on Wine or Proton removes it: by the uninstaller the installation left
# in the prefix, run under Wine. The add-on writes over one of the game's files and one
# of its registry values and adds its own; afterwards the add-on's are gone and the
# game's are back.
#   linux-install-wine-uninstall.sh WINDOWS_BIN_DIR LINUX_BIN_DIR
# Runs beside the suite's prefix (WINEPREFIX, made by with-wine.sh): its Wine server
# runs for the whole suite, and the Linux setup rightly refuses a prefix whose server
# runs, so the test works on a copy of it with a server of its own.
set -eu

win_bin=$(cd "$1" && pwd)
linux_bin=$(cd "$2" && pwd)
: "${WINEPREFIX:?the test copies the suite's prefix: set WINEPREFIX}"
work=$(mktemp -d "$(dirname "$WINEPREFIX")/wine-linux-install.XXXXXX")
prefix="$work/prefix"
cleanup() {
  [ -d "$prefix" ] && WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAILED: $*" >&2; exit 1; }
# `command`: SE_WINE may be the bare name "wine", which must not call this function.
wine() { command "${SE_WINE:-wine}" "$@"; }
# Wine's own programs answer in the console's code page with "\r\n".
wine_out() { wine "$@" </dev/null 2>/dev/null | tr -d '\r'; }
value() { wine_out reg query "$1" /v "$2" | sed -n "s/^ *$2 *REG_SZ *//p"; }

# The copy is taken while the suite's server runs: its registry files are the state the
# server last saved, which is all a fresh prefix needs. It sits beside the prefix, on its
# file system: Wine's own files (1.3 GB, which nothing here writes) are hard links; the
# registry and the .ini files, which Wine rewrites in place, are copies of their own. A
# file that a test running beside this one removes while it is copied is not missed.
cp -al "$WINEPREFIX/." "$prefix" 2>/dev/null || true
[ -f "$prefix/system.reg" ] && [ -d "$prefix/drive_c/windows/system32" ] ||
  fail "could not copy the prefix $WINEPREFIX to $prefix"
for file in "$prefix"/*.reg "$prefix"/drive_c/windows/*.ini; do
  if [ -f "$file" ]; then cp "$file" "$file.copy" && mv -f "$file.copy" "$file"; fi
done
WINEPREFIX=$prefix
export WINEPREFIX

game='C:\Games\Harbour Game'
game_host="$prefix/drive_c/Games/Harbour Game"
game_key='HKCU\Software\HarbourStudio\HarbourGame'
mkdir -p "$game_host/Maps"
printf 'harbour game\n' >"$game_host/HarbourGame.exe"
printf "the game's island\n" >"$game_host/Maps/island.map"
"$linux_bin/setuptool" reg set "$game_key" Path "$game"
"$linux_bin/setuptool" reg set "$game_key" Difficulty normal

mkdir -p "$work/addon/Maps"
printf "the add-on's island\n" >"$work/addon/Maps/island.map"
printf "the add-on's harbour\n" >"$work/addon/Maps/harbour.map"
cat >"$work/harbour.setup" <<'EOF'
name "Harbour Game: Island Maps"
shortname "Harbour Game Island Maps"
outfile IslandMaps_Setup.exe
prefix IslandMaps
installdirregkey HKCU Software\HarbourStudio\HarbourGame Path
installdir "$PROGRAMFILES\HarbourStudio\Harbour Game"
pages standard
uninstallpages uninstall
language install\english
uninstalllanguage uninstall\english
file addon\Maps\island.map Maps
file addon\Maps\harbour.map Maps
writeregstr HKCU Software\HarbourStudio\HarbourGame Difficulty hard
writeregstr HKCU Software\HarbourStudio\HarbourGame\AddOns\IslandMaps Version 1.0
EOF
# The Windows setup file, its stub the Windows setup program (and finalise.exe beside it).
"$linux_bin/mksetup" "$work/harbour.setup" -o "$work/IslandMaps_Setup.exe" --stub "$win_bin/setup.exe" \
  --data "$(dirname "$0")/../../data" >"$work/mksetup.out" 2>&1 || fail "mksetup: $(cat "$work/mksetup.out")"

# Installed by the Linux program, as a player on Linux installs a Windows setup file.
status=0
"$linux_bin/setup" "$work/IslandMaps_Setup.exe" --silent </dev/null >"$work/setup.out" 2>"$work/setup.err" ||
  status=$?
[ "$status" = 0 ] || fail "the Linux setup ended with $status: $(cat "$work/setup.err")"
uninstaller="$game_host/IslandMaps_Uninstall.exe"
[ -f "$uninstaller" ] || fail "no uninstaller in the game's folder"
[ "$(head -c 2 "$uninstaller")" = MZ ] || fail "the uninstaller the Linux setup left is no Windows program"
[ "$(cat "$game_host/Maps/island.map")" = "the add-on's island" ] || fail "the add-on's island.map was not installed"

# Wine sees what the Linux setup wrote: the values, and the add-on in its list of programs.
[ "$(value "$game_key" Difficulty)" = hard ] || fail "Wine does not see the add-on's Difficulty"
wine_out uninstaller --list | grep -q 'Harbour Game Island Maps' || fail "not in Wine's uninstaller list"

# Removed under Wine by that uninstaller, as "Add/Remove Programs" starts it (unattended).
status=0
wine "$game\\IslandMaps_Uninstall.exe" --silent </dev/null >"$work/uninstall.out" 2>"$work/uninstall.err" ||
  status=$?
[ "$status" = 0 ] || fail "the uninstaller ended with $status under Wine: $(cat "$work/uninstall.err")"
tries=0
while [ -e "$uninstaller" ] && [ $tries -lt 100 ]; do
  sleep 0.1
  tries=$((tries + 1))
done
[ ! -e "$uninstaller" ] || fail "the finaliser did not remove the uninstaller"
[ ! -e "$game_host/Maps/harbour.map" ] || fail "the add-on's harbour.map is still there"
[ ! -e "$game_host/IslandMaps_install.log" ] || fail "the install log is still there"
[ "$(cat "$game_host/Maps/island.map")" = "the game's island" ] || fail "the game's island.map is not back"
[ -f "$game_host/HarbourGame.exe" ] || fail "the game's own program was removed"
[ "$(value "$game_key" Difficulty)" = normal ] || fail "the game's Difficulty is not back: $(value "$game_key" Difficulty)"
[ "$(value "$game_key" Path)" = "$game" ] || fail "the game's Path changed"
[ -z "$(value "$game_key\\AddOns\\IslandMaps" Version)" ] || fail "the add-on's Version is still there"
if wine_out uninstaller --list | grep -q 'Harbour Game Island Maps'; then fail "still in Wine's uninstaller list"; fi
echo "1 passed, 0 failed"
