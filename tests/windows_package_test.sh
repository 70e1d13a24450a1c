#!/usr/bin/env bash
# Unpacks the Windows zip, checks what it holds, and runs both programs from
# it under Wine on the sample data file, and on a larger file of every record
# type when gendata is given: console output, listing and exit status must be
# the Linux build's, byte for byte.
# Usage: windows_package_test.sh ZIP LINUX_PREFLISTER SAMPLE WINDOWS_BUILD_DIR VERSION [GENDATA]
set -uo pipefail

zip=${1:?usage: windows_package_test.sh ZIP LINUX_PREFLISTER SAMPLE WINDOWS_BUILD_DIR VERSION}
linux=$(realpath "${2:?Linux program missing}")
sample=$(realpath "${3:?sample data file missing}")
windows_build=$(realpath "${4:?Windows build folder missing}")
version=${5:?version missing}
gendata=${6:-}
here=$(cd "$(dirname "$0")" && pwd)

scratch=$(mktemp -d "${TMPDIR:-/tmp}/preflister-winzip.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

[ "$(basename "$zip")" = "preflister-$version-windows.zip" ] || fail "the zip is named $(basename "$zip")"
# Unpacked by Python's zipfile, a reader other than the one that wrote it.
python3 - "$zip" "$scratch/unpacked" >"$scratch/names" <<'PY' || { fail "unpacking $zip"; exit 1; }
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    bad = z.testzip()
    if bad:
        sys.exit("damaged member " + bad)
    for name in sorted(z.namelist()):
        print(name)
    z.extractall(sys.argv[2])
PY
want=$(printf '%s\n' README.txt preflister.txt x64/preflister.exe x86/preflister.exe)
[ "$(cat "$scratch/names")" = "$want" ] || fail "the zip holds: $(tr '\n' ' ' <"$scratch/names")"
u=$scratch/unpacked

for text in README.txt preflister.txt; do
  f=$u/$text
  [ -s "$f" ] || { fail "$text is empty or missing"; continue; }
  # Every line ends CR LF: no bare LF, no CR elsewhere.
  lines=$(tr -cd '\n' <"$f" | wc -c)
  crlfs=$(grep -c $'\r$' "$f")
  crs=$(tr -cd '\r' <"$f" | wc -c)
  [ "$lines" -gt 0 ] && [ "$lines" -eq "$crlfs" ] && [ "$crs" -eq "$lines" ] ||
    fail "$text: $lines lines, $crlfs ending CR LF, $crs CR in all"
  LC_ALL=C grep -q '[^[:print:][:space:]]' "$f" && fail "$text holds bytes other than printable ASCII"
done
grep -q "preflister $version for Windows" "$u/README.txt" || fail "README.txt does not name version $version"
for word in 'x86\\preflister.exe' 'x64\\preflister.exe' 'Command Prompt' 'ERRORLEVEL' 'run-time error'; do
  grep -q "$word" "$u/README.txt" || fail "README.txt does not say $word"
done
for section in NAME SYNOPSIS 'EXIT STATUS' DIAGNOSTICS; do
  grep -q "^$section"$'\r$' "$u/preflister.txt" || fail "preflister.txt has no $section section"
done

"$here/windows_imports.sh" x86 "$u/x86/preflister.exe" x64 "$u/x64/preflister.exe" >/dev/null || status=1

# The Linux build's run is what both must give.
data=("$sample")
if [ -n "$gendata" ]; then
  "$gendata" "$scratch/mixed.dat" 20000 7 || fail "gendata"
  data+=("$scratch/mixed.dat")
fi
for file in "${data[@]}"; do
  name=$(basename "$file")
  mkdir -p "$scratch/linux"
  cp "$file" "$scratch/linux/$name"
  rm -f "$scratch/linux/preflist"
  (cd "$scratch/linux" && "$linux" "$name" >out 2>err; echo $? >status)
  [ -s "$scratch/linux/preflist" ] || fail "the Linux build wrote no listing of $name"
  for arch in x86 x64; do
    case $arch in
      x86) loader=${WINE32:-/usr/lib/wine/wine} ;;
      x64) loader=${WINE64:-/usr/lib/wine/wine64} ;;
    esac
    run=$scratch/$arch
    mkdir -p "$run"
    cp "$file" "$run/$name"
    rm -f "$run/preflist"
    # The build's own prefix, which make test-windows has made.
    (cd "$run" && WINEPREFIX=$windows_build/$arch/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
      timeout -k 10 300 env -u DISPLAY -u WAYLAND_DISPLAY "$loader" "$u/$arch/preflister.exe" "$name" \
      >out 2>err; echo $? >status)
    for f in out err status preflist; do
      cmp -s "$scratch/linux/$f" "$run/$f" || fail "$arch, $name: $f differs from the Linux build's"
    done
  done
done
[ $status -eq 0 ] && echo "$(basename "$zip"): both programs list ${#data[@]} data files as the Linux build does"
exit $status
