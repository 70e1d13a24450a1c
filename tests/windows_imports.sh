#!/usr/bin/env bash
# Checks that each Windows program is built for its processor and imports no
# DLL beyond the system's own, KERNEL32.dll and msvcrt.dll: a program that
# needs another (a C++ runtime, a thread library) fails to start on a PC that
# lacks it.
# Usage: windows_imports.sh x86|x64 PROGRAM.exe [x86|x64 PROGRAM.exe ...]
set -uo pipefail

status=0
fail() { echo "FAIL: $*" >&2; status=1; }
[ $# -ge 2 ] || { echo "usage: windows_imports.sh x86|x64 PROGRAM.exe ..." >&2; exit 2; }
while [ $# -ge 2 ]; do
  arch=$1 exe=$2
  shift 2
  case $arch in
    x86) objdump=i686-w64-mingw32-objdump format=pei-i386 magic=PE32 ;;
    x64) objdump=x86_64-w64-mingw32-objdump format=pei-x86-64 magic=PE32+ ;;
    *) fail "unknown architecture $arch"; continue ;;
  esac
  if ! headers=$("$objdump" -p "$exe" 2>&1); then
    fail "$objdump -p $exe: $headers"
    continue
  fi
  grep -q "file format $format\$" <<<"$headers" || fail "$exe is not $format"
  grep '^Magic' <<<"$headers" | grep -qF "($magic)" || fail "$exe is not $magic"
  dlls=$(sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' <<<"$headers" | tr -d '\r' | sort -uf)
  grep -qix 'KERNEL32.dll' <<<"$dlls" || fail "$exe does not import KERNEL32.dll (no import table read?)"
  while IFS= read -r dll; do
    [ -n "$dll" ] || continue
    case ${dll,,} in
      kernel32.dll | msvcrt.dll) ;;
      *) fail "$exe imports $dll" ;;
    esac
  done <<<"$dlls"
  [ $status -eq 0 ] && echo "$arch $exe: $(tr '\n' ' ' <<<"$dlls")"
done
exit $status
