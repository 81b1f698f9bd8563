#!/bin/sh
# Runs a Windows test program under Wine for ctest. The prefix is the one the caller
# set up (make test points WINEPREFIX at a scratch prefix made by wineboot); Wine's own
# diagnostics stay off so the program's output is what the tests compare.
WINEDEBUG=${WINEDEBUG:--all}
WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree,mshtml=}
export WINEDEBUG WINEDLLOVERRIDES
exec "${SE_WINE:-wine}" "$@"
