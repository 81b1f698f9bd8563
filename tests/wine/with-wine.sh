#!/bin/sh
# Runs a command (the Windows test suite) with Wine ready for it:
#   with-wine.sh PREFIX COMMAND...
# PREFIX is a scratch Wine prefix of the build's own (made by wineboot on first use,
# never the user's ~/.wine). One wineserver is kept alive for the whole run, so each
# Wine program starts quickly instead of bringing up a server of its own, and it is
# stopped at the end. SE_WINE names the Wine loader (default: wine; /usr/lib/wine/wine64
# for a 64-bit test build on a machine that runs no 32-bit programs).
#
# The prefix is always a 64-bit one, as on a player's 64-bit Windows: 32-bit programs run
# in it through WoW64 (System32 redirected to SysWOW64, "Program Files (x86)", the
# registry's 32-bit view). A prefix of another kind left by an older run is made anew.
set -e
SE_WINE=${SE_WINE:-wine}
export SE_WINE
prefix=$1
shift
WINEPREFIX=$(mkdir -p "$prefix" && cd "$prefix" && pwd)
WINEARCH=win64
WINEDEBUG=-all
WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
export WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES
# A Wine program that shows a window needs a display; without one of our own an
# invisible one is started for the run.
if [ -z "$DISPLAY" ] && command -v Xvfb >/dev/null; then
  for n in 91 92 93 94 95 96 97 98 99; do
    [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    DISPLAY=:$n
    export DISPLAY
    sleep 1
    break
  done
fi
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT INT TERM

if [ -f "$WINEPREFIX/system.reg" ] && ! grep -qx '#arch=win64' "$WINEPREFIX/system.reg"; then
  echo "The Wine prefix in $WINEPREFIX is not a 64-bit one; making it anew"
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Making a Wine prefix in $WINEPREFIX"
  # wineboot may report a missing 32-bit part of a 64-bit Wine; what counts is the prefix.
  "$SE_WINE" wineboot -i </dev/null >/dev/null 2>&1 || true
  wineserver -w
  [ -f "$WINEPREFIX/system.reg" ] || { echo "wineboot made no prefix in $WINEPREFIX" >&2; exit 1; }
  grep -qx '#arch=win64' "$WINEPREFIX/system.reg" ||
    { echo "wineboot made no 64-bit prefix in $WINEPREFIX (is wine64 installed?)" >&2; exit 1; }
  # Windows shown and hidden without a window manager would wait 2 s each.
  "$SE_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
  wineserver -w  # the server of those steps ends before the persistent one starts
fi
# A program that crashes ends at once with its exception's report on standard error,
# instead of waiting in a debugger Wine starts for it until the test's time runs out.
for view in 32 64; do
  "$SE_WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f \
    /reg:$view </dev/null >/dev/null 2>&1 || true
done
wineserver -w
wineserver -p
# Wine's helper processes start with the first program; started here, they do not
# inherit the pipes of the test runner.
"$SE_WINE" cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
"$@"
