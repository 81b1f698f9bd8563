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
exec "${SE_WINE:-wine}" "$@"
