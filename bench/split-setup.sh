#!/bin/sh
# A 5 GiB add-on as a split setup: files of zeros made sparse (large entries are
# stored as they are, so the package really passes 4 GiB), packed with the default
# 2 GiB limit for the program file, verified, installed and uninstalled by the Linux
# programs, and, when the Windows tree is built, installed and uninstalled by the
# 32-bit setup.exe under Wine. Each step is printed as a ratio to copying the same
# bytes with cp (sparse files copied in full, as the steps write them).
#   split-setup.sh [BUILD_DIR] [WINDOWS_BUILD_DIR]
set -eu
build=$(cd "${1:-build}" && pwd)
win=${2:-$(dirname "$build")/build-win}
bin="$build/bin"
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/split-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export WINEPREFIX="$work/prefix"

fail() { echo "split-setup: FAILED: $*" >&2; exit 1; }
now() { date +%s.%N; }
# The seconds a command takes; its output goes to the log.
timed() {
  start=$(now)
  "$@" >>"$work/log" 2>&1 || fail "$* (see the log: $(tail -3 "$work/log"))"
  echo "$(now) $start" | awk '{ printf "%.2f", $1 - $2 }'
}
ratio() { echo "$1 $2" | awk '{ printf "%.2f", $1 / $2 }'; }

mkdir -p "$work/source/files" "$work/published"
for i in 1 2 3 4 5; do truncate -s 1G "$work/source/files/texture$i.pak"; done
printf 'readme\r\n' >"$work/source/files/readme.txt"
printf 'name "Big"\r\noutfile Big_Setup.exe\r\nprefix BG\r\ninstalldir "C:\\Games\\Big"\r\npages standard\r\nuninstallpages uninstall\r\nlanguage install\\english\r\nuninstalllanguage uninstall\\english\r\nfile files\\\r\n' \
  >"$work/source/big.setup"
data="$here/../data"
bytes=$(du -cb --apparent-size "$work/source/files" | tail -1 | cut -f1)

copy=$(timed cp -r --sparse=never "$work/source/files" "$work/copy")
rm -rf "$work/copy"
pack=$(timed "$bin/mksetup" "$work/source/big.setup" -o "$work/published/Big_Setup.exe" --data "$data")
parts=$(ls "$work/published" | grep -c '^Big_Setup-[0-9]*\.bin$') || true
[ "$parts" -ge 2 ] || fail "a 5 GiB setup was not split (data files: $parts)"
for f in "$work/published"/*; do
  [ "$(stat -c %s "$f")" -le $((2 << 30)) ] || fail "$f passes 2 GiB"
done
total=$(du -cb "$work/published" | tail -1 | cut -f1)
[ "$total" -gt $((4 << 30)) ] || fail "the published setup holds only $total bytes"
verify=$(timed "$bin/setuptool" pak verify "$work/published/Big_Setup.exe")
install=$(timed "$work/published/Big_Setup.exe" --silent)
game="$WINEPREFIX/drive_c/Games/Big"
cmp -n 1048576 "$game/texture3.pak" /dev/zero || fail "texture3.pak was not installed"
[ "$(stat -c %s "$game/texture5.pak")" = $((1 << 30)) ] || fail "texture5.pak has the wrong size"
uninstall=$(timed "$game/BG_Uninstall.exe" --silent)
[ ! -e "$game/texture1.pak" ] || fail "the uninstaller left texture1.pak"

echo "split setup: $bytes bytes of files, $total bytes published in the program and $parts data files"
echo "split setup: cp of the same bytes $copy s; against it: pack $(ratio "$pack" "$copy"), verify $(ratio "$verify" "$copy"), install (with the start-up check) $(ratio "$install" "$copy"), uninstall $(ratio "$uninstall" "$copy")"

if [ -x "$win/bin/setup.exe" ] && command -v wine >/dev/null; then
  rm -rf "$work/published" "$game"
  mkdir -p "$work/published"
  "$bin/mksetup" "$work/source/big.setup" -o "$work/published/Big_Setup.exe" --data "$data" \
    --stub "$win/bin/setup.exe" >>"$work/log" 2>&1 || fail "mksetup --stub setup.exe"
  cat >"$work/wine-run.sh" <<EOF
#!/bin/sh
set -e
wine "$work/published/Big_Setup.exe" --silent </dev/null
test "\$(stat -c %s "\$WINEPREFIX/drive_c/Games/Big/texture5.pak")" = $((1 << 30))
wine 'C:\\Games\\Big\\BG_Uninstall.exe' --silent </dev/null
EOF
  winerun=$(timed "$here/../tests/wine/with-wine.sh" "$work/wineprefix" sh "$work/wine-run.sh")
  echo "split setup: setup.exe (i686) under Wine, install and uninstall $(ratio "$winerun" "$copy") of cp"
fi
