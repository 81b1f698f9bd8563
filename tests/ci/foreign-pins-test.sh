#!/bin/bash
# .ci/foreign-pins.sh against made-up package lists: apt-cache, dpkg-query and dpkg
# --print-architecture answer from the case's tables (dpkg's version comparison is the
# real one). Each case states the pins it expects, or the library the failure names.
set -u
pins_script=$(cd "$(dirname "$0")/../../.ci" && pwd)/foreign-pins.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
real_dpkg=$(command -v dpkg)
cat >"$work/bin/apt-cache" <<'FAKE'
#!/bin/sh
case "$1" in
  depends) cat "$CASE/closure" ;;
  policy) cat "$CASE/policy" ;;
  madison) cat "$CASE/madison" ;;
  show) cat "$CASE/show" ;;
esac
FAKE
cat >"$work/bin/dpkg-query" <<'FAKE'
#!/bin/sh
cat "$CASE/installed"
FAKE
cat >"$work/bin/dpkg" <<FAKE
#!/bin/sh
[ "\$1" = --print-architecture ] && { echo amd64; exit 0; }
exec $real_dpkg "\$@"
FAKE
chmod +x "$work/bin/"*

failures=0
# check NAME EXPECTED_STATUS EXPECTED_OUTPUT (stdout when it succeeds, a text stderr
# must hold when it fails); the tables are in $work/case.
check() {
  local out err status
  out=$(CASE=$work/case PATH="$work/bin:$PATH" "$pins_script" wine32:i386 2>"$work/err")
  status=$?
  err=$(cat "$work/err")
  if [ "$status" != "$2" ]; then
    echo "FAIL $1: exit status $status, expected $2 (stderr: $err)"
    failures=$((failures + 1))
  elif [ "$2" = 0 ] && [ "$out" != "$3" ]; then
    printf 'FAIL %s: pins\n%s\nexpected\n%s\n' "$1" "$out" "$3"
    failures=$((failures + 1))
  elif [ "$2" != 0 ] && ! grep -qF -- "$3" <<<"$err"; then
    echo "FAIL $1: stderr '$err' does not name '$3'"
    failures=$((failures + 1))
  else
    echo "ok   $1"
  fi
}

# A case: the 32-bit closure, the installed packages (the fields dpkg-query is asked
# for, tab-separated), the i386 candidates, the versions each archive offers, and the
# records apt-cache show gives for the exact dependents.
new_case() {
  rm -rf "$work/case"
  mkdir "$work/case"
  printf 'wine32:i386\nzlib1g:i386\nlibzstd1:i386\n' >"$work/case/closure"
  : >"$work/case/show"
}
installed() { printf 'ii \t%s\t%s\t%s\t%s\n' "$@" >>"$work/case/installed"; }
candidate() { printf '%s:i386:\n  Installed: (none)\n  Candidate: %s\n' "$1" "$2" >>"$work/case/policy"; }
offers() { # NAME ARCH VERSION
  printf '   %s | %s | http://deb.example/debian bookworm/main %s Packages\n' "$1" "$3" "$2" \
    >>"$work/case/madison"
}
record() { printf 'Package: %s\nVersion: %s\nDepends: %s\n\n' "$@" >>"$work/case/show"; }

# The i386 lists lag: the installed amd64 zlib1g came from a newer list, the i386 side
# offers only older ones, which the amd64 archive still has; the newest of them wins.
# Both halves and the -dev package that depends on the exact version move to it; the
# -dev version whose dependency names another version is passed over. libzstd1 matches
# already and stays.
new_case
installed zlib1g:amd64 1:1.3-2 same ', '
installed zlib1g-dev:amd64 1:1.3-2 same 'zlib1g (= 1:1.3-2), libc6-dev | libc-dev, '
installed libzstd1:amd64 1.5-5 same ', '
installed make:amd64 4.3-4 foreign 'libc6 (>= 2.34), '
candidate zlib1g 1:1.3-1
candidate libzstd1 1.5-5
offers zlib1g amd64 1:1.3-2
offers zlib1g amd64 1:1.3-1
offers zlib1g amd64 1:1.2-9
offers zlib1g i386 1:1.3-1
offers zlib1g i386 1:1.2-9
offers libzstd1 amd64 1.5-5
offers libzstd1 i386 1.5-5
record zlib1g-dev 1:1.3-2 'zlib1g (= 1:1.3-2), libc6-dev | libc-dev'
record zlib1g-dev 1:1.3-1 'zlib1g (= 1:1.3-1), libc6-dev | libc-dev'
check "a lagging i386 list moves the library and its -dev package to the common version" 0 \
"libzstd1:amd64 1.5-5 1.5-5
libzstd1:i386 1.5-5 -
zlib1g-dev:amd64 1:1.3-1 1:1.3-2
zlib1g:amd64 1:1.3-1 1:1.3-2
zlib1g:i386 1:1.3-1 -"

# The installed amd64 version is in no list any more (installed from an update since
# gone); the newest version both offer is newer than it.
new_case
installed zlib1g:amd64 1:1.3-2 same ', '
installed libzstd1:amd64 1.5-5 same ', '
candidate zlib1g 1:1.3-4
candidate libzstd1 1.5-5
offers zlib1g amd64 1:1.3-5
offers zlib1g amd64 1:1.3-4
offers zlib1g i386 1:1.3-4
offers libzstd1 amd64 1.5-5
offers libzstd1 i386 1.5-5
check "the newest version both architectures offer, also above the installed one" 0 \
"libzstd1:amd64 1.5-5 1.5-5
libzstd1:i386 1.5-5 -
zlib1g:amd64 1:1.3-4 1:1.3-2
zlib1g:i386 1:1.3-4 -"

# A native package that is not Multi-Arch: same, or not installed, is no concern.
new_case
installed zlib1g:amd64 1:1.3-2 foreign ', '
candidate zlib1g 1:1.3-1
candidate libzstd1 1.5-5
check "packages that need no matching half are left alone" 0 ""

# No version in common: the failure names the library and what i386 offers.
new_case
installed zlib1g:amd64 1:1.3-2 same ', '
installed libzstd1:amd64 1.5-5 same ', '
candidate zlib1g 1:1.2-9
candidate libzstd1 1.5-5
offers zlib1g amd64 1:1.3-2
offers zlib1g i386 1:1.2-9
offers libzstd1 amd64 1.5-5
offers libzstd1 i386 1.5-5
check "no common version fails and names the library" 1 "zlib1g has no version that both amd64 and i386 offer"

# The -dev package has no version for the common one: moving the library would make
# apt remove it, so the plan fails instead.
new_case
installed zlib1g:amd64 1:1.3-2 same ', '
installed zlib1g-dev:amd64 1:1.3-2 same 'zlib1g (= 1:1.3-2), '
installed libzstd1:amd64 1.5-5 same ', '
candidate zlib1g 1:1.3-1
candidate libzstd1 1.5-5
offers zlib1g amd64 1:1.3-2
offers zlib1g amd64 1:1.3-1
offers zlib1g i386 1:1.3-1
offers libzstd1 amd64 1.5-5
offers libzstd1 i386 1.5-5
record zlib1g-dev 1:1.3-2 'zlib1g (= 1:1.3-2)'
check "an exact dependent without a matching version fails" 1 "no version of zlib1g-dev depends on zlib1g (= 1:1.3-1)"

[ "$failures" = 0 ] || { echo "$failures case(s) failed"; exit 1; }
