#!/bin/sh
# Runs a Windows test program under Wine for ctest, and for the test listing the build
# takes of each test program. The prefix is the one the caller set up (make test points
# WINEPREFIX at a scratch prefix made by wineboot); without one, the build tree's own
# scratch prefix (the same one), never the user's ~/.wine. Wine's own diagnostics stay
# off so the program's output is what the tests compare.
if [ -z "$WINEPREFIX" ]; then
  tree=$PWD
  while [ "$tree" != / ] && [ ! -f "$tree/CMakeCache.txt" ]; do tree=$(dirname "$tree"); done
  [ -f "$tree/CMakeCache.txt" ] && WINEPREFIX="$tree/wineprefix" && export WINEPREFIX
fi
WINEDEBUG=${WINEDEBUG:--all}
WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree,mshtml=}
export WINEDEBUG WINEDLLOVERRIDES
# The program writes to files that are copied out once it ends, never to the caller's
# pipes: a Wine helper the program starts on the way (the desktop's explorer.exe, which
# Wine starts anew whenever the last one has gone idle) inherits its output handles and
# lives on, and ctest would wait for the end of the pipe until the whole run was over.
output=$(mktemp -d)
trap 'rm -rf "$output"' EXIT
status=0
"${SE_WINE:-wine}" "$@" >"$output/out" 2>"$output/err" || status=$?
cat "$output/out"
cat "$output/err" >&2
exit $status
