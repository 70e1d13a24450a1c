#!/usr/bin/env bash
# Builds preflister-VERSION-windows.zip in WINDOWS_BUILD_DIR: both programs for
# both processors (from WINDOWS_BUILD_DIR/x86 and /x64), stripped, a
# README.txt and the manual pages as plain text, all text with CR LF line ends
# so that Notepad on any Windows shows them as lines.
# Usage: package_windows.sh SOURCE_DIR VERSION WINDOWS_BUILD_DIR
set -euo pipefail

source=${1:?usage: package_windows.sh SOURCE_DIR VERSION WINDOWS_BUILD_DIR}
version=${2:?version missing}
out=${3:?Windows build folder missing}

name=preflister-$version-windows
stage=$out/$name.stage
rm -rf "$stage" && mkdir -p "$stage/x86" "$stage/x64"

# The debugging information stays in the build; the package holds what runs.
members=(README.txt preflister.txt preflist-report.txt)
for arch in x86 x64; do
  case $arch in
    x86) strip=i686-w64-mingw32-strip ;;
    x64) strip=x86_64-w64-mingw32-strip ;;
  esac
  for program in preflister preflist-report; do
    "$strip" -o "$stage/$arch/$program.exe" "$out/$arch/$program.exe"
    members+=("$arch/$program.exe")
  done
done

crlf() { sed 's/\r$//; s/$/\r/'; }
sed "s/@VERSION@/$version/g" "$source/doc/windows-README.txt" | crlf > "$stage/README.txt"
# Plain ASCII without overstrikes or colour codes: readable in any editor.
for page in preflister preflist-report; do
  groff -man -Tascii -P-cbou "$source/doc/$page.1" | crlf > "$stage/$page.txt"
done

rm -f "$out/$name.zip"
(cd "$stage" && cmake -E tar cf "../$name.zip" --format=zip "${members[@]}")
rm -rf "$stage"
echo "$out/$name.zip"
