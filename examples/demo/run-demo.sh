#!/bin/sh
# make demo: packs the demo add-on, installs it into a demo game in a fresh Wine-style
# prefix, shows what the setup did, runs the uninstaller it left, and shows that the
# prefix is back as it was. Usage: run-demo.sh [BUILD_DIR]; KEEP=1 keeps the prefix.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
bin="$build/bin"
work=$(mktemp -d "${TMPDIR:-/tmp}/addon-demo.XXXXXX")
export WINEPREFIX="$work/prefix"
[ "${KEEP:-0}" = 1 ] || trap 'rm -rf "$work"' EXIT

game='C:\Games\Demo Game'
game_host="$WINEPREFIX/drive_c/Games/Demo Game"
addon_key='HKCU\Software\DemoStudio\DemoGame\AddOns\HarbourMaps'
uninstall_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Demo Game Harbour Maps'

step() { printf '\n==> %s\n' "$*"; }
# Every file and folder of the prefix except the registry files, one per line.
snapshot() { (cd "$WINEPREFIX" && find . -mindepth 1 ! -name '*.reg' | LC_ALL=C sort); }
value() { "$bin/setuptool" reg get "$1" "$2" 2>&1 || true; }

step "A demo game in a fresh prefix: $WINEPREFIX"
"$bin/setuptool" reg set 'HKCU\Software\DemoStudio\DemoGame' Path "$game"
mkdir -p "$game_host/Maps"
printf 'demo game\n' > "$game_host/DemoGame.exe"
printf 'the game'"'"'s own map\n' > "$game_host/Maps/island.map"
snapshot > "$work/before.txt"
echo "game folder $game, registered under HKCU\\Software\\DemoStudio\\DemoGame Path"

step "Packing examples/demo/demo.setup with mksetup"
"$bin/mksetup" "$here/demo.setup" -o "$work/HarbourMaps_Setup.exe" 2>/dev/null

mode=--silent
[ -n "${DISPLAY:-}" ] && mode=
step "Running HarbourMaps_Setup.exe ${mode:-(on the display)}"
status=0
"$work/HarbourMaps_Setup.exe" $mode || status=$?
echo "exit status $status"
[ "$status" = 0 ] || exit 1

step "Installed files (below the prefix's drive_c)"
(cd "$WINEPREFIX/drive_c" && find . -type f -newer "$work/before.txt" | LC_ALL=C sort)
step "The install log: setuptool log show DemoMaps_install.log"
"$bin/setuptool" log show "$game_host/DemoMaps_install.log"
step "Registry values the setup wrote"
printf '%s Version = %s\n' "$addon_key" "$(value "$addon_key" Version)"
printf '%s Path = %s\n' "$addon_key" "$(value "$addon_key" Path)"
printf '%s\n  UninstallString = %s\n' "$uninstall_key" "$(value "$uninstall_key" UninstallString)"

step "Running the uninstaller DemoMaps_Uninstall.exe $mode"
status=0
"$game_host/DemoMaps_Uninstall.exe" $mode || status=$?
echo "exit status $status"
[ "$status" = 0 ] || exit 1
# The finaliser removes the uninstaller once it has ended; give it a moment.
tries=0
while [ -e "$game_host/DemoMaps_Uninstall.exe" ] && [ $tries -lt 100 ]; do
  sleep 0.1
  tries=$((tries + 1))
done

step "The prefix after uninstalling, compared with before the installation"
snapshot > "$work/after.txt"
# The finaliser ran from a private copy, removed as soon as it had started. The
# program's own state folder keeps the game folder's run lock (a lock file is never
# deleted: a run waiting on it would lock a file no longer there).
grep -v -e '^\./drive_c/ProgramData\(/AddOnSetup\(/[0-9a-f]*\(/run\.lock\)\?\)\?\)\?$' \
  "$work/after.txt" > "$work/after-kept.txt" || true
if diff -u "$work/before.txt" "$work/after-kept.txt"; then
  echo "same files and folders as before (the run lock aside)"
else
  echo "the prefix differs from before" >&2
  exit 1
fi
printf '%s Version = %s\n' "$addon_key" "$(value "$addon_key" Version)"
printf 'uninstall key: %s\n' "$(value "$uninstall_key" UninstallString)"
echo "(registry keys stay, as an uninstallation leaves them; their values are gone)"
