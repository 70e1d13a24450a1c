#!/usr/bin/env bash
# Unpacks the Windows zip, checks what it holds, and runs the programs of both
# processors from it under Wine on the sample data file, and on a larger file
# of every record type when gendata is given: preflister's console output,
# listing and exit status, and preflist-report's summary of that listing, must
# be the Linux build's, byte for byte (the Linux preflist-report is taken from
# beside the Linux preflister).
# Usage: windows_package_test.sh ZIP LINUX_PREFLISTER SAMPLE WINDOWS_BUILD_DIR VERSION [GENDATA]
set -uo pipefail

zip=${1:?usage: windows_package_test.sh ZIP LINUX_PREFLISTER SAMPLE WINDOWS_BUILD_DIR VERSION}
linux=$(realpath "${2:?Linux program missing}")
linux_report=$(dirname "$linux")/preflist-report
sample=$(realpath "${3:?sample data file missing}")
windows_build=$(realpath "${4:?Windows build folder missing}")
version=${5:?version missing}
gendata=${6:-}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh"

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
want=$(printf '%s\n' README.txt preflist-report.txt preflister.txt x64/preflist-report.exe x64/preflister.exe \
  x86/preflist-report.exe x86/preflister.exe)
[ "$(cat "$scratch/names")" = "$want" ] || fail "the zip holds: $(tr '\n' ' ' <"$scratch/names")"
u=$scratch/unpacked

for text in README.txt preflister.txt preflist-report.txt; do
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
# Both programs, both prompts, the exit statuses with Ctrl-C's, and a batch
# test that catches it.
for words in 'x86\preflister.exe' 'x64\preflister.exe' 'x86\preflist-report.exe' 'x64\preflist-report.exe' \
    'Command Prompt' 'ERRORLEVEL' 'run-time error' 'UNIT 1? ' ' enter the input filename:' \
    "preflist-report's:" '-1073741510 (0xC000013A)' 'if %errorlevel% neq 0 ('; do
  grep -qF -- "$words" "$u/README.txt" || fail "README.txt does not say $words"
done
for text in preflister.txt preflist-report.txt; do
  for section in NAME SYNOPSIS 'EXIT STATUS' DIAGNOSTICS; do
    grep -q "^$section"$'\r$' "$u/$text" || fail "$text has no $section section"
  done
done

"$here/windows_imports.sh" x86 "$u/x86/preflister.exe" x64 "$u/x64/preflister.exe" \
  x86 "$u/x86/preflist-report.exe" x64 "$u/x64/preflist-report.exe" >/dev/null || status=1

# The Linux build's run is what both must give.
data=("$sample")
if [ -n "$gendata" ]; then
  "$gendata" "$scratch/mixed.dat" 20000 7 || fail "gendata"
  data+=("$scratch/mixed.dat")
fi
# Each build's own prefix, made once for all its tests.
archs=()
skipped=
for arch in x86 x64; do
  (wine_env "$arch" "$windows_build/$arch" && wine_prefix)
  case $? in
    0) archs+=("$arch") ;;
    77) skipped="$skipped $arch" ;;
    *) fail "$arch: no Wine to run it" ;;
  esac
done
for file in "${data[@]}"; do
  name=$(basename "$file")
  mkdir -p "$scratch/linux"
  cp "$file" "$scratch/linux/$name"
  rm -f "$scratch/linux/preflist"
  (cd "$scratch/linux" && "$linux" "$name" >out 2>err; echo $? >status)
  [ -s "$scratch/linux/preflist" ] || fail "the Linux build wrote no listing of $name"
  (cd "$scratch/linux" && "$linux_report" >report 2>report.err; echo $? >>status)
  for arch in "${archs[@]}"; do
    run=$scratch/$arch
    mkdir -p "$run"
    cp "$file" "$run/$name"
    rm -f "$run/preflist"
    (cd "$run" && wine_env "$arch" "$windows_build/$arch" &&
      timeout -k 10 300 "$wine_loader" "$u/$arch/preflister.exe" "$name" >out 2>err; echo $? >status)
    (cd "$run" && wine_env "$arch" "$windows_build/$arch" &&
      timeout -k 10 300 "$wine_loader" "$u/$arch/preflist-report.exe" >report 2>report.err; echo $? >>status)
    for f in out err status preflist report report.err; do
      cmp -s "$scratch/linux/$f" "$run/$f" || fail "$arch, $name: $f differs from the Linux build's"
    done
  done
done
[ -z "$skipped" ] || echo "not run under Wine here:$skipped (see above)"
[ $status -eq 0 ] && echo "$(basename "$zip"): the builds run list and report ${#data[@]} data files as the Linux build does"
exit $status
