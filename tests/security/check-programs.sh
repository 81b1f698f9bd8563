#!/bin/sh
# The programs handed out are built as a program that runs elevated must be:
#   check-programs.sh windows OBJDUMP BIN_DIR   (setup.exe, mksetup.exe, setuptool.exe, finalise.exe)
#   check-programs.sh linux READELF BIN_DIR     (setup, mksetup, setuptool, finalise)
# Windows: the import table names only DLLs the system loads from System32 whatever
# the search order (the KnownDLLs, and the common controls through the manifest), so
# that no DLL planted beside the program is loaded before its first line runs; the
# image is relocatable (ASLR, high entropy on 64-bit) and its data not executable
# (DEP); functions carry stack canaries; the DLL search order is restricted at start.
# Linux: functions carry stack canaries.
set -eu

kind=$1
tool=$2
bin=$3
failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }

# HKLM\System\CurrentControlSet\Control\Session Manager\KnownDLLs of current Windows,
# with ntdll and kernelbase, which the loader always takes from System32.
known_dlls=" advapi32.dll clbcatq.dll combase.dll comdlg32.dll coml2.dll difxapi.dll gdi32.dll
  gdiplus.dll imagehlp.dll imm32.dll kernel32.dll kernelbase.dll msctf.dll msvcrt.dll
  normaliz.dll nsi.dll ntdll.dll ole32.dll oleaut32.dll psapi.dll rpcrt4.dll sechost.dll
  setupapi.dll shcore.dll shell32.dll shlwapi.dll user32.dll wldap32.dll ws2_32.dll "

check_windows() {
  program=$1
  dump=$("$tool" -p "$program") || { fail "$program: $tool cannot read it"; return; }
  for dll in $(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | tr -d '\r'); do
    case " $(echo $known_dlls) " in
      *" $dll "*) ;;
      *)
        if [ "$dll" = comctl32.dll ] && grep -qa 'Microsoft.Windows.Common-Controls' "$program"; then :
        else fail "$program imports $dll, which a planted copy beside the program would replace"; fi ;;
    esac
  done
  for flag in DYNAMIC_BASE NX_COMPAT; do
    printf '%s\n' "$dump" | grep -q "^[[:space:]]*$flag\$" || fail "$program: no $flag"
  done
  if printf '%s\n' "$dump" | grep -q '^Magic[[:space:]]*020b'; then
    printf '%s\n' "$dump" | grep -q '^[[:space:]]*HIGH_ENTROPY_VA$' || fail "$program: no HIGH_ENTROPY_VA"
  fi
  grep -qa 'stack smashing detected' "$program" || fail "$program: no stack canaries (no __stack_chk_fail)"
  grep -qa 'SetDefaultDllDirectories' "$program" || fail "$program: does not restrict the DLL search order"
}

check_linux() {
  program=$1
  "$tool" --dyn-syms -W "$program" | grep -q ' __stack_chk_fail' ||
    fail "$program: no stack canaries (no __stack_chk_fail)"
}

for name in setup mksetup setuptool finalise; do
  if [ "$kind" = windows ]; then
    program="$bin/$name.exe"
  else
    program="$bin/$name"
  fi
  [ -f "$program" ] || { fail "$program is missing"; continue; }
  "check_$kind" "$program"
done
[ "$failures" = 0 ] || exit 1
echo "4 programs checked"
