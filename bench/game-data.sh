#!/bin/sh
# Package size and speed on a real game's data, zlib against zstd solid blocks, and
# against the archivers authors compare setups with. The data is a Debian game-data
# package (wesnoth-1.16-data by default: 16,100 files, 14,000 of them PNG, with WML
# scripts, maps, Lua and sounds, 179 MB; set SE_BENCH_GAME_DATA to another package,
# e.g. supertux-data, 241 MB of which 38% OGG, or pingus-data for a quick run),
# fetched with apt-get into a cache outside the repository.
#   size     today's rule (zlib 9, kept when not longer), our zlib package (stored
#            when deflate saves < 1%), zstd and zstd-max packages, zip -r -9, tar +
#            zstd -19 --long, 7z -mx9: bytes and the ratio to today's (target: zstd
#            <= 0.88)
#   pack     mksetup zlib, zstd and zstd-max, 1 thread and all (target: zstd no
#            slower; zstd-max is the author's choice of size over packing time)
#   verify   setuptool pak verify, zlib, zstd and zstd-max, 1 thread and all
#            (target <= 0.35)
#   install  setup PKG --silent, zlib, zstd and zstd-max, against unzip -o (target
#            <= 0.7)
# The short rows take the best of three runs: one run moves by a tenth between tries
# on a shared machine. Each row gives the processor time (user and system) beside the
# elapsed time: on a machine that others load, the elapsed time of a run depends more
# on them than on the program, its processor time hardly.
#   game-data.sh BUILD_DIR
set -eu
build=$(cd "${1:-build}" && pwd)
bin="$build/bin"
here=$(cd "$(dirname "$0")" && pwd)
package=${SE_BENCH_GAME_DATA:-wesnoth-1.16-data}
cache=${SE_BENCH_CACHE:-/var/tmp/se-bench-data}
base=/tmp
[ -d /dev/shm ] && [ "$(df -Pk /dev/shm | awk 'NR==2 { print $4 }')" -gt 2000000 ] && base=/dev/shm
root=$(mktemp -d "$base/se-bench-gamedata.XXXXXX")
trap 'rm -rf "$root"' EXIT
export WINEPREFIX="$root/prefix"
cores=$(nproc)

# The data set: the package's files, as the game installs them.
mkdir -p "$cache"
deb=$(ls "$cache/${package}"_*.deb 2>/dev/null | head -n 1 || true)
if [ -z "$deb" ]; then
  (cd "$cache" && apt-get download "$package" >/dev/null) ||
    { echo "game-data: cannot fetch $package (apt-get update first?)" >&2; exit 1; }
  deb=$(ls "$cache/${package}"_*.deb | head -n 1)
fi
dpkg-deb -x "$deb" "$root/unpacked"
# The game's folder: the largest one two levels below /usr/share (games/NAME, NAME/data).
data=$(du -s "$root"/unpacked/usr/share/*/* | sort -n | tail -n 1 | cut -f2-)
mv "$data" "$root/tree"
rm -rf "$root/unpacked"
# Links into other packages (fonts) lead nowhere here: the archivers refuse them.
find "$root/tree" -xtype l -delete
files=$(find "$root/tree" -type f | wc -l)
bytes=$(du -sb "$root/tree" | cut -f1)
echo "game-data: $package: $files files, $bytes bytes"

now() { date +%s.%N; }
seconds() {
  start=$(now)
  /usr/bin/time -f '%U %S' -o "$root/last.cpu" "$@" >"$root/last.out" 2>&1 ||
    { echo "game-data: failed: $*" >&2; cat "$root/last.out" >&2; exit 1; }
  awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'
}
cpu() { awk '{ printf "%.3f", $1 + $2 }' "$root/last.cpu"; }  # of the last timed run
best() {  # best PREP COMMAND...: the shortest of three runs, PREP untimed before each
  prep=$1
  shift
  fastest=
  least=
  for run in 1 2 3; do
    sh -c "$prep"
    took=$(seconds "$@")
    used=$(cpu)
    if [ -z "$fastest" ] || awk -v a="$took" -v b="$fastest" 'BEGIN { exit !(a < b) }'; then fastest=$took; fi
    if [ -z "$least" ] || awk -v a="$used" -v b="$least" 'BEGIN { exit !(a < b) }'; then least=$used; fi
  done
  echo "$least" >"$root/best.cpu"  # the least processor time of the three
  echo "$fastest"
}
bestcpu() { cat "$root/best.cpu"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
size() { stat -c %s "$1"; }

cat >"$root/bench.setup" <<SCRIPT
name "Game data"
outfile bench.exe
prefix Bench
installdir C:\\BenchInstall
pages standard
language install\\english
file tree\\
SCRIPT
pack="$bin/mksetup $root/bench.setup --package-only --data $here/../data -o"

# Packing, 1 thread and all; the output must not depend on the number.
zlib1_s=$(SE_THREADS=1 seconds $pack "$root/zlib1.pkg")
zlib1_c=$(cpu)
zlibn_s=$(seconds $pack "$root/zlib.pkg")
zlibn_c=$(cpu)
zstd1_s=$(SE_THREADS=1 seconds $pack "$root/zstd1.pkg" --compression zstd)
zstd1_c=$(cpu)
zstdn_s=$(seconds $pack "$root/zstd.pkg" --compression zstd)
zstdn_c=$(cpu)
max1_s=$(SE_THREADS=1 seconds $pack "$root/max1.pkg" --compression zstd-max)
max1_c=$(cpu)
maxn_s=$(seconds $pack "$root/max.pkg" --compression zstd-max)
maxn_c=$(cpu)
cmp -s "$root/zlib1.pkg" "$root/zlib.pkg" && cmp -s "$root/zstd1.pkg" "$root/zstd.pkg" &&
  cmp -s "$root/max1.pkg" "$root/max.pkg" ||
  { echo "game-data: 1 and $cores threads packed different bytes" >&2; exit 1; }
rm -f "$root/zlib1.pkg" "$root/zstd1.pkg" "$root/max1.pkg"

# Today's packer deflates every entry below 70 MiB at level 9 and keeps the stream when
# it is not longer: its package is ours with each stored entry deflated where that is
# not longer. Python's zlib is the same library at the same level.
today=$("$bin/setuptool" pak list "$root/zlib.pkg" | python3 -c '
import sys, zlib, os
tree = sys.argv[1]
extra = 0
for line in sys.stdin:
    f = line.rstrip("\n").split("\t")
    if f[7] != "stored" or int(f[3]) == 0 or f[2] == "0" or int(f[3]) >= 73400320:
        continue
    path = os.path.join(tree, f[1].replace(chr(92), "/"))
    data = open(path, "rb").read()
    extra += min(len(zlib.compress(data, 9)), len(data)) - len(data)
print(extra)' "$root/tree")
today_size=$(( $(size "$root/zlib.pkg") + today ))

(cd "$root" && zip -r -9 -q tree.zip tree)
(cd "$root" && tar -cf - tree | zstd -19 --long=27 -q -T0 -o tree.tar.zst)
sevenzip=$(command -v 7zz || command -v 7z)  # Debian's 7zip package names it 7zz
(cd "$root" && "$sevenzip" a -mx9 -bd tree.7z tree >/dev/null)
row_size() {
  printf 'game-data: size     %-34s %11d bytes  %s of today'"'"'s\n' "$1" "$2" "$(ratio "$2" "$today_size")"
}
row_size "today's rule (zlib 9 where not longer)" "$today_size"
row_size "mksetup zlib (stored below 1%)" "$(size "$root/zlib.pkg")"
row_size "mksetup --compression zstd" "$(size "$root/zstd.pkg")"
row_size "mksetup --compression zstd-max" "$(size "$root/max.pkg")"
row_size "zip -r -9" "$(size "$root/tree.zip")"
row_size "tar + zstd -19 --long" "$(size "$root/tree.tar.zst")"
row_size "7z -mx9" "$(size "$root/tree.7z")"
printf 'game-data: pack     zlib 1 thread %7.3f s, %s threads %7.3f s; zstd 1 thread %7.3f s, %s threads %7.3f s: zstd/zlib %s (1 thread %s; target <= 1)\n' \
  "$zlib1_s" "$cores" "$zlibn_s" "$zstd1_s" "$cores" "$zstdn_s" "$(ratio "$zstdn_s" "$zlibn_s")" "$(ratio "$zstd1_s" "$zlib1_s")"
cpu_row() {  # cpu_row WHAT ZLIB_1 ZLIB_N ZSTD_1 ZSTD_N
  printf 'game-data: %-8s processor time zlib 1 thread %7.3f s, %s threads %7.3f s; zstd 1 thread %7.3f s, %s threads %7.3f s: zstd/zlib %s (1 thread %s)\n' \
    "$1" "$2" "$cores" "$3" "$4" "$cores" "$5" "$(ratio "$5" "$3")" "$(ratio "$4" "$2")"
}
cpu_row pack "$zlib1_c" "$zlibn_c" "$zstd1_c" "$zstdn_c"
max_row() {  # max_row WHAT ZLIB_1 ZLIB_N MAX_1 MAX_N: zstd-max against the zlib package
  printf 'game-data: %-8s zstd-max 1 thread %7.3f s, %s threads %7.3f s: zstd-max/zlib %s (1 thread %s)\n' \
    "$1" "$4" "$cores" "$5" "$(ratio "$5" "$3")" "$(ratio "$4" "$2")"
}
max_row pack "$zlib1_s" "$zlibn_s" "$max1_s" "$maxn_s"
max_row "pack cpu" "$zlib1_c" "$zlibn_c" "$max1_c" "$maxn_c"

# The start-up check: every entry of the package read and checked.
for kind in zlib zstd max; do
  eval "${kind}_v1=\$(SE_THREADS=1 best : \"\$bin/setuptool\" pak verify \"\$root/\$kind.pkg\")"
  eval "${kind}_v1c=\$(bestcpu)"
  eval "${kind}_vn=\$(best : \"\$bin/setuptool\" pak verify \"\$root/\$kind.pkg\")"
  eval "${kind}_vnc=\$(bestcpu)"
done
printf 'game-data: verify   zlib 1 thread %7.3f s, %s threads %7.3f s; zstd 1 thread %7.3f s, %s threads %7.3f s: zstd/zlib %s (1 thread %s; target <= 0.35)\n' \
  "$zlib_v1" "$cores" "$zlib_vn" "$zstd_v1" "$cores" "$zstd_vn" "$(ratio "$zstd_vn" "$zlib_vn")" "$(ratio "$zstd_v1" "$zlib_v1")"
cpu_row verify "$zlib_v1c" "$zlib_vnc" "$zstd_v1c" "$zstd_vnc"
max_row verify "$zlib_v1" "$zlib_vn" "$max_v1" "$max_vn"
max_row "verify cpu" "$zlib_v1c" "$zlib_vnc" "$max_v1c" "$max_vnc"

# A whole unattended installation, start to exit.
target="$WINEPREFIX/drive_c/BenchInstall"
"$bin/setup" "$root/zlib.pkg" --silent >/dev/null 2>&1 || true  # lays out the prefix
unzip_s=$(best "rm -rf '$root/unzipped'" unzip -o -q "$root/tree.zip" -d "$root/unzipped")
for kind in zlib zstd max; do
  eval "${kind}_i1=\$(SE_THREADS=1 best \"rm -rf '\$target'\" \"\$bin/setup\" \"\$root/\$kind.pkg\" --silent)"
  eval "${kind}_i1c=\$(bestcpu)"
  eval "${kind}_in=\$(best \"rm -rf '\$target'\" \"\$bin/setup\" \"\$root/\$kind.pkg\" --silent)"
  eval "${kind}_inc=\$(bestcpu)"
  diff -r -q "$target" "$root/tree" >/dev/null || { echo "game-data: the $kind setup installed other files" >&2; exit 1; }
done
printf 'game-data: install  zlib 1 thread %7.3f s, %s threads %7.3f s; zstd 1 thread %7.3f s, %s threads %7.3f s: zstd/zlib %s (1 thread %s; target <= 0.7); unzip -o %7.3f s: zstd/unzip %s\n' \
  "$zlib_i1" "$cores" "$zlib_in" "$zstd_i1" "$cores" "$zstd_in" "$(ratio "$zstd_in" "$zlib_in")" "$(ratio "$zstd_i1" "$zlib_i1")" \
  "$unzip_s" "$(ratio "$zstd_in" "$unzip_s")"
cpu_row install "$zlib_i1c" "$zlib_inc" "$zstd_i1c" "$zstd_inc"
max_row install "$zlib_i1" "$zlib_in" "$max_i1" "$max_in"
max_row "install cpu" "$zlib_i1c" "$zlib_inc" "$max_i1c" "$max_inc"
