#!/usr/bin/env bash
# Builds preflister-VERSION-windows.zip in OUT_DIR: both programs, stripped,
# a README.txt and the manual page as plain text, both with CR LF line ends
# so that Notepad on any Windows shows them as lines.
# Usage: package_windows.sh SOURCE_DIR VERSION OUT_DIR X86_EXE X64_EXE
set -euo pipefail

source=${1:?usage: package_windows.sh SOURCE_DIR VERSION OUT_DIR X86_EXE X64_EXE}
version=${2:?version missing}
out=${3:?output folder missing}
x86=${4:?32-bit program missing}
x64=${5:?64-bit program missing}

name=preflister-$version-windows
stage=$out/$name.stage
rm -rf "$stage" && mkdir -p "$stage/x86" "$stage/x64"

# The debugging information stays in the build; the package holds what runs.
i686-w64-mingw32-strip -o "$stage/x86/preflister.exe" "$x86"
x86_64-w64-mingw32-strip -o "$stage/x64/preflister.exe" "$x64"

crlf() { sed 's/\r$//; s/$/\r/'; }
sed "s/@VERSION@/$version/g" "$source/doc/windows-README.txt" | crlf > "$stage/README.txt"
# Plain ASCII without overstrikes or colour codes: readable in any editor.
groff -man -Tascii -P-cbou "$source/doc/preflister.1" | crlf > "$stage/preflister.txt"

rm -f "$out/$name.zip"
(cd "$stage" && cmake -E tar cf "../$name.zip" --format=zip README.txt preflister.txt x86/preflister.exe x64/preflister.exe)
rm -rf "$stage"
echo "$out/$name.zip"
