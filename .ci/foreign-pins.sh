#!/bin/bash
# Prints the versions that let 32-bit packages (NAME:i386) install beside the native ones:
#   foreign-pins.sh PACKAGE:i386...
# A library that is "Multi-Arch: same" must have the same version in both architectures.
# When a mirror's i386 lists lag its amd64 ones (or the installed amd64 library came from
# a list the i386 side never fetched), apt finds no i386 version to match the installed
# one and gives up ("pkgProblemResolver::Resolve generated breaks"). For every such
# library the 32-bit packages need, this chooses the newest version both architectures
# offer, and for every installed package that depends on the library's exact version
# (its -dev package), the newest version that depends on the chosen one.
#
# Output: one line per pin, "NAME:ARCH VERSION INSTALLED" (INSTALLED is "-" for a package
# not installed). It changes nothing. It fails, naming the library, when the two
# architectures offer no common version.
#
# apt-cache loads its whole cache on every call (seconds on a busy machine), so each
# question is asked once for all packages.
set -euo pipefail
native=$(dpkg --print-architecture)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

newest_of() { # VERSION... (dpkg ordering)
  local best="" v
  for v in "$@"; do
    if [ -z "$best" ] || dpkg --compare-versions "$v" gt "$best"; then best=$v; fi
  done
  printf '%s' "$best"
}

# The 32-bit packages the requested ones pull in, Pre-Depends and Depends only.
apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts \
  --no-breaks --no-replaces --no-enhances "$@" 2>/dev/null |
  awk '/^[^ <]/ && /:i386$/' | sort -u >"$work/closure"

# Every installed package: NAME:ARCH, version, Multi-Arch, dependencies.
dpkg-query -W -f='${db:Status-Abbrev}\t${Package}:${Architecture}\t${Version}\t${Multi-Arch}\t${Depends}, ${Pre-Depends}\n' |
  awk -F'\t' '$1 ~ /^ii/ { print $2 "\t" $3 "\t" $4 "\t" $5 }' >"$work/installed"

declare -A installed best
while IFS=$'\t' read -r package version _ _; do installed[$package]=$version; done <"$work/installed"

# The libraries to decide: 32-bit packages whose native half is installed and must match.
declare -A shared
while IFS=$'\t' read -r package _ multi_arch _; do
  [ "$multi_arch" = same ] && [ "${package##*:}" = "$native" ] && shared[${package%:*}]=1
done <"$work/installed"
names=()
while read -r package; do
  [ -n "${shared[${package%:i386}]:-}" ] && names+=("${package%:i386}")
done <"$work/closure"
[ ${#names[@]} -gt 0 ] || exit 0

# Candidates and offered versions of both halves, in one call each.
declare -A candidate
while read -r package version; do candidate[$package]=$version; done < <(
  apt-cache policy "${names[@]/%/:i386}" 2>/dev/null |
    awk '/^[^ ]/ { sub(/:$/, ""); p = $0 } $1 == "Candidate:" { print p, $2 }')
declare -A offered # NAME:ARCH -> newline-separated versions
while read -r package version; do offered[$package]+="$version"$'\n'; done < <(
  apt-cache madison "${names[@]/%/:i386}" "${names[@]/%/:$native}" 2>/dev/null |
    awk -F'|' '$3 ~ / Packages *$/ { gsub(/ /, "", $1); sub(/:.*/, "", $1); gsub(/ /, "", $2)
      n = split($3, w, " "); print $1 ":" w[n - 1], $2 }')

# The newest version of NAME both halves offer; the installed native one counts as offered.
common_version() { # NAME
  local native_versions="${offered[$1:$native]:-}${installed[$1:$native]}"
  # shellcheck disable=SC2046
  newest_of $(grep -Fx -f <(printf '%s' "${offered[$1:i386]:-}") <<<"$native_versions" || true)
}

# Installed native packages that depend on NAME at exactly VERSION.
exact_dependents() { # NAME VERSION
  awk -F'\t' -v want="$1 (= $2)" -v want_arch="$1:$native (= $2)" -v arch=":$native" '
    index($1, arch) { n = split($4, d, /[,|]/)
      for (i = 1; i <= n; i++) { gsub(/^ +| +$/, "", d[i])
        if (d[i] == want || d[i] == want_arch) { sub(arch "$", "", $1); print $1; break } } }' \
    "$work/installed"
}

# For each DEPENDENT (installed native package), the newest version that depends on
# NAME (= VERSION): lines "DEPENDENT NAME VERSION" in, "DEPENDENT VERSION" out, one
# apt-cache call for all.
versions_depending_on() {
  local requests
  requests=$(cat)
  [ -n "$requests" ] || return 0
  # shellcheck disable=SC2046
  apt-cache show $(awk -v arch=":$native" '{ print $1 arch }' <<<"$requests") 2>/dev/null |
    awk -v requests="$requests" '
      BEGIN { n = split(requests, r, "\n"); for (i = 1; i <= n; i++) {
        split(r[i], f, " "); want[f[1]] = f[2] " (= " f[3] ")" } }
      /^Package:/ { package = $2 } /^Version:/ { version = $2 }
      /^(Pre-)?Depends:/ && package in want { sub(/^[^:]*: /, ""); n = split($0, d, /, | \| /)
        for (i = 1; i <= n; i++) if (d[i] == want[package]) print package, version }' |
    while read -r dependent version; do
      if [ -z "${best[$dependent]:-}" ] || dpkg --compare-versions "$version" gt "${best[$dependent]}"; then
        best[$dependent]=$version
      fi
      printf '%s %s\n' "$dependent" "${best[$dependent]}"
    done | awk '{ newest[$1] = $2 } END { for (p in newest) print p, newest[p] }'
}

pin() { # NAME:ARCH VERSION
  printf '%s %s %s\n' "$1" "$2" "${installed[$1]:--}"
}

# Moves native packages ("NAME VERSION" lines in) to their versions and, with them,
# everything installed that depends on their exact installed versions, a level at a time.
pin_native_with_dependents() {
  local level next name version was dependent found
  level=$(cat)
  while [ -n "$level" ]; do
    next=""
    while read -r name version; do
      pin "$name:$native" "$version"
      was=${installed[$name:$native]:-}
      if [ -z "$was" ] || [ "$was" = "$version" ]; then continue; fi
      for dependent in $(exact_dependents "$name" "$was"); do
        next+="$dependent $name $version"$'\n'
      done
    done <<<"$level"
    found=$(versions_depending_on <<<"$next")
    while read -r dependent name version; do
      [ -n "$dependent" ] || continue
      if ! grep -q "^$dependent " <<<"$found"; then
        echo "foreign-pins: no version of $dependent depends on $name (= $version)" >&2
        return 1
      fi
    done <<<"$next"
    level=$found
  done
}

# Each library is named with its version, also where the i386 candidate already matches
# the installed one: left to itself, apt's resolver may still plan to upgrade the native
# half, and then refuses the 32-bit one.
for name in "${names[@]}"; do
  version=${installed[$name:$native]}
  [ "${candidate[$name:i386]:-}" = "$version" ] || version=$(common_version "$name")
  if [ -z "$version" ]; then
    echo "foreign-pins: $name has no version that both $native and i386 offer" \
      "(installed ${installed[$name:$native]}, i386 offers:" \
      "$(printf '%s' "${offered[$name:i386]:-}" | tr '\n' ' '))" >&2
    exit 1
  fi
  pin "$name:i386" "$version" >>"$work/pins"
  echo "$name $version" >>"$work/native"
done
[ -f "$work/pins" ] || exit 0
pin_native_with_dependents <"$work/native" >>"$work/pins"
sort -u "$work/pins"
