#!/bin/sh
# End to end under Wine: the demo add-on packed for Windows (by the Linux mksetup with
# the Windows setup program as its stub, and by mksetup.exe itself), installed with
# `wine setup.exe --silent`, checked through Wine's own tools (reg query, the shell's
# link reader, the uninstaller list), then removed by the uninstaller it left.
#   install-under-wine.sh WINDOWS_BIN_DIR [LINUX_BIN_DIR]
# Runs inside the prefix WINEPREFIX names (with-wine.sh makes one with wineboot).
set -eu

win_bin=$(cd "$1" && pwd)
linux_bin=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
demo="$here/../../examples/demo"
: "${WINEPREFIX:?the test runs in a prefix of its own: set WINEPREFIX}"
work=$(mktemp -d "${TMPDIR:-/tmp}/wine-e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() { echo "FAILED: $*" >&2; exit 1; }
# `command`: SE_WINE may be the bare name "wine", which must not call this function.
wine() { command "${SE_WINE:-wine}" "$@"; }
wpath() { wine winepath.exe -w "$1" 2>/dev/null; }
# Wine's own programs answer in the console's code page with "\r\n".
wine_out() { wine "$@" </dev/null 2>/dev/null | tr -d '\r'; }

game='C:\Games\Wine Demo Game'
game_host="$WINEPREFIX/drive_c/Games/Wine Demo Game"
addon_key='HKCU\Software\DemoStudio\DemoGame\AddOns\HarbourMaps'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Demo Game Harbour Maps'
rm -rf "$game_host"
mkdir -p "$game_host/Maps"
printf 'demo game\n' > "$game_host/DemoGame.exe"
wine reg add 'HKCU\Software\DemoStudio\DemoGame' /v Path /d "$game" /f </dev/null >/dev/null 2>&1

# Packed on Windows by mksetup.exe, from the same script and data.
wine "$win_bin/mksetup.exe" "$(wpath "$demo/demo.setup")" -o "$(wpath "$work/win-packed.exe")" \
  </dev/null >"$work/mksetup-win.out" 2>"$work/mksetup-win.err" ||
  fail "mksetup.exe: $(cat "$work/mksetup-win.err")"
setup="$work/win-packed.exe"
if [ -n "$linux_bin" ]; then
  # Packed on Linux for Windows: the Windows setup program as the stub; its finaliser
  # (finalise.exe beside it) goes into the uninstaller.
  "$linux_bin/mksetup" "$demo/demo.setup" -o "$work/HarbourMaps_Setup.exe" \
    --stub "$win_bin/setup.exe" 2>"$work/mksetup-linux.err" ||
    fail "mksetup --stub setup.exe: $(cat "$work/mksetup-linux.err")"
  # Both pack the same entries: names, groups, sizes and checksums.
  "$linux_bin/setuptool" pak list "$work/HarbourMaps_Setup.exe" | cut -f1-4,6 >"$work/linux.list"
  "$linux_bin/setuptool" pak list "$work/win-packed.exe" | cut -f1-4,6 >"$work/win.list"
  diff -u "$work/linux.list" "$work/win.list" || fail "mksetup.exe packs other entries than mksetup"
  grep -q 'UNINSTALL_FINALISE.EXE' "$work/linux.list" || fail "no finaliser packed"
  setup="$work/HarbourMaps_Setup.exe"
fi

# Installs SETUP silently, checks what it did, runs the uninstaller it left and checks
# that everything is gone again.
install_and_remove() {
  setup=$1
  mkdir -p "$game_host/Maps"
  printf 'demo game\n' > "$game_host/DemoGame.exe"
  plant_dlls "$(dirname "$setup")"
  plant_dlls "$game_host"
  status=0
  wine "$setup" --silent </dev/null >"$work/setup.out" 2>"$work/setup.err" || status=$?
  [ "$status" = 0 ] || fail "setup.exe --silent ended with $status: $(cat "$work/setup.err")"
  [ -s "$work/setup.out" ] || fail "setup.exe --silent printed no status lines"
  [ -f "$game_host/Maps/harbour.map" ] || fail "harbour.map was not installed"
  [ -f "$game_host/DemoMaps_install.log" ] || fail "no install log"
  [ -f "$game_host/DemoMaps_Uninstall.exe" ] || fail "no uninstaller"
  if [ "${2:-}" = signed ] &&
    osslsigncode extract-signature -in "$game_host/DemoMaps_Uninstall.exe" -out "$work/u.sig" >/dev/null 2>&1; then
    fail "the uninstaller carries the setup's signature"
  fi

  wine_out reg query "$addon_key" /v Version | grep -q '1\.2' || fail "Version not in the registry"
  wine_out reg query "$addon_key" /v Path | grep -qF "$game" || fail "Path not in the registry"

  programs=$(wine_out cmd /c echo %APPDATA%)'\Microsoft\Windows\Start Menu\Programs'
  link="$programs\\Demo Game\\Demo Game - Harbour Maps.lnk"
  wine "$win_bin/lnkread.exe" "$link" </dev/null >"$work/link.txt" 2>&1 || fail "the shell cannot read the link: $(cat "$work/link.txt")"
  grep -qiF "target	$game\\DemoGame.exe" "$work/link.txt" || fail "link target: $(cat "$work/link.txt")"
  grep -qF "arguments	+map harbour" "$work/link.txt" || fail "link arguments: $(cat "$work/link.txt")"

  wine_out uninstaller --list | grep -q 'Demo Game Harbour Maps' || fail "not in Wine's uninstaller list"
  # Quoted, so that "C:\Games\Wine.exe" is never tried for it.
  wine_out reg query "$uninstall_key" /v UninstallString |
    grep -qF "\"$game\\DemoMaps_Uninstall.exe\"" || fail "UninstallString is not the quoted uninstaller path"

  status=0
  wine "$game\\DemoMaps_Uninstall.exe" --silent </dev/null >"$work/uninstall.out" 2>"$work/uninstall.err" || status=$?
  [ "$status" = 0 ] || fail "the uninstaller ended with $status: $(cat "$work/uninstall.err")"
  tries=0
  while [ -e "$game_host/DemoMaps_Uninstall.exe" ] && [ $tries -lt 100 ]; do
    sleep 0.1
    tries=$((tries + 1))
  done
  [ ! -e "$game_host/DemoMaps_Uninstall.exe" ] || fail "the finaliser did not remove the uninstaller"
  [ ! -e "$game_host/Maps/harbour.map" ] || fail "harbour.map is still there"
  [ -f "$game_host/DemoGame.exe" ] || fail "the game's own file was removed"
  if wine_out reg query "$addon_key" /v Version | grep -q '1\.2'; then fail "Version still in the registry"; fi
  if wine_out uninstaller --list | grep -q 'Demo Game Harbour Maps'; then fail "still in the uninstaller list"; fi
  if [ -s "$mark_host" ]; then fail "a DLL planted beside the setup or the uninstaller was loaded: $(tr -d '\0' <"$mark_host")"; fi
  rm -rf "$game_host" "$mark_host"
}

# DLLs as an attacker (or a mod loader) drops them beside a program, preferred to the
# system's own by the override: none of them may be loaded by the setup, the
# uninstaller or the finaliser. A loaded one writes its name to the mark file. (Wine's
# own DLLs pull a few more in from the program's folder whatever the program asks:
# version.dll while the imports are resolved, before the program's first line;
# uxtheme.dll; crypt32.dll and bcrypt.dll with the CryptoAPI's provider. Windows
# resolves those from System32, so they are left out here.)
planted_names="msftedit winmm dinput8 dwmapi msimg32 cryptbase"
mark_host="$work/planted-mark.txt"
plant_dlls() {
  [ -n "${SE_PLANTED_DLL:-}" ] || return 0
  for name in $planted_names; do cp "$SE_PLANTED_DLL" "$1/$name.dll"; done
}
if [ -n "${SE_PLANTED_DLL:-}" ]; then
  [ -f "$SE_PLANTED_DLL" ] || fail "the planted DLL $SE_PLANTED_DLL was not built"
  SE_PLANTED_MARK=$(wpath "$mark_host")
  WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}$(echo $planted_names | tr ' ' ',')=n,b"
  export SE_PLANTED_MARK WINEDLLOVERRIDES
fi

install_and_remove "$setup"
passed=1

# A setup that carries its own package opens no other: the elevation prompt showed
# this setup, not the other package's script.
status=0
wine "$setup" "$(wpath "$work/win-packed.exe")" --silent </dev/null >"$work/other.out" 2>"$work/other.err" || status=$?
[ "$status" = 2 ] || fail "a setup opened another package (status $status): $(cat "$work/other.err")"
grep -q 'carries its own package' "$work/other.err" || fail "no reason given: $(cat "$work/other.err")"

# Signed as authors sign it (osslsigncode on Linux; signtool on Windows does the same):
# the certificate table goes after the package, and the setup still finds it, verifies,
# installs, and writes an uninstaller that runs.
if [ -n "$linux_bin" ]; then
  command -v osslsigncode >/dev/null || fail "osslsigncode is not installed"
  mkdir -p "$work/signed"
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Setup Test Signer" \
    -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1 || fail "openssl made no certificate"
  signed="$work/signed/HarbourMaps_Setup.exe"  # the setup checks its own file name
  osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -n "Harbour Maps" \
    -in "$setup" -out "$signed" >"$work/sign.out" 2>&1 || fail "osslsigncode sign: $(cat "$work/sign.out")"
  osslsigncode verify -CAfile "$work/cert.pem" -in "$signed" >"$work/verify.out" 2>&1 ||
    fail "osslsigncode verify rejects the signed setup: $(cat "$work/verify.out")"
  "$linux_bin/setuptool" pak verify "$signed" >"$work/pak-verify.out" 2>&1 ||
    fail "setuptool pak verify of the signed setup: $(cat "$work/pak-verify.out")"
  "$linux_bin/setuptool" info "$signed" | grep -q '^ID: ZTPF' || fail "setuptool info finds no package in the signed setup"
  install_and_remove "$signed" signed
  passed=2

  # Split: a program file of at most SPLIT bytes and data files beside it, signed; it
  # installs under a browser's numbered name, and a data file with one byte changed
  # stops it before anything is written.
  mkdir -p "$work/split-demo" "$work/split"
  cp -r "$demo/." "$work/split-demo/"
  head -c 9000000 /dev/urandom >"$work/split-demo/files/addon/textures.dat"
  split=$(($(stat -c %s "$win_bin/setup.exe") + 1000000))
  "$linux_bin/mksetup" "$work/split-demo/demo.setup" -o "$work/split/HarbourMaps_Setup.exe" \
    --stub "$win_bin/setup.exe" --split "$split" >"$work/split.out" 2>"$work/split.err" ||
    fail "mksetup --split: $(cat "$work/split.err")"
  [ -f "$work/split/HarbourMaps_Setup-3.bin" ] || fail "mksetup --split $split wrote no third data file"
  [ "$(stat -c %s "$work/split/HarbourMaps_Setup.exe")" -le "$split" ] || fail "the split program passes $split bytes"
  osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -n "Harbour Maps" \
    -in "$work/split/HarbourMaps_Setup.exe" -out "$work/split/HarbourMaps_Setup(1).exe" >"$work/sign.out" 2>&1 ||
    fail "osslsigncode sign (split): $(cat "$work/sign.out")"
  rm "$work/split/HarbourMaps_Setup.exe"
  install_and_remove "$work/split/HarbourMaps_Setup(1).exe" signed
  printf 'X' | dd of="$work/split/HarbourMaps_Setup-2.bin" bs=1 seek=4096 conv=notrunc 2>/dev/null
  mkdir -p "$game_host"
  status=0
  wine "$work/split/HarbourMaps_Setup(1).exe" --silent </dev/null >"$work/split-bad.out" 2>"$work/split-bad.err" || status=$?
  [ "$status" = 2 ] || fail "a changed data file did not stop the setup (status $status)"
  grep -qF 'HarbourMaps_Setup-2.bin" is damaged' "$work/split-bad.err" || fail "the stop names no data file: $(cat "$work/split-bad.err")"
  [ ! -e "$game_host/Maps/harbour.map" ] || fail "a setup with a changed data file wrote files"
  rm -rf "$game_host"
  passed=3
fi
echo "$passed passed, 0 failed"
