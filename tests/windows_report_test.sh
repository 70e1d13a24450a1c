#!/usr/bin/env bash
# Runs one Windows build's preflist-report.exe under Wine on listings that the
# Linux preflister wrote, one row of options per case, and the Linux
# preflist-report on the same: standard output, standard error, exit status
# and any file written must be the same, byte for byte.
# Usage: windows_report_test.sh x86|x64 WINDOWS_BUILD_DIR LINUX_BUILD_DIR
set -uo pipefail

arch=${1:?usage: windows_report_test.sh x86|x64 WINDOWS_BUILD_DIR LINUX_BUILD_DIR}
build=$(cd "${2:?Windows build folder missing}" && pwd)
linux=$(cd "${3:?Linux build folder missing}" && pwd)
exe=$build/preflist-report.exe

. "$(dirname "$0")/wine_env.sh"
wine_env "$arch" "$build" || exit $?
[ -f "$exe" ] || { echo "FAIL: $exe not built" >&2; exit 1; }
wine_prefix || exit 1

scratch=$(mktemp -d "${TMPDIR:-/tmp}/preflister-winreport.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

# The listings: two runs in one (the sample, then a mix of every record type
# from several stations), and one whose name line holds a Ctrl-Z byte and a
# byte above 127, which a listing read in text mode would end or change at.
mkdir "$scratch/make"
(
  cd "$scratch/make" &&
  "$linux/gendata" --sample sample.dat >/dev/null &&
  "$linux/gendata" mixed.dat 3000 7 >/dev/null &&
  "$linux/preflister" sample.dat >/dev/null &&
  "$linux/preflister" mixed.dat >/dev/null &&
  mv preflist two-runs &&
  odd=$'odd\x1aname\xe9.dat' &&
  cp sample.dat "$odd" &&
  "$linux/preflister" "$odd" >/dev/null &&
  mv preflist odd-name
) || { fail "making the listings with $linux/preflister"; exit 1; }

# name | words | standard input (a listing, or empty) | file the run writes
cases=(
  "summary|two-runs||"
  "csv|--csv two-runs||"
  "gaps|--gaps two-runs||"
  "gaps, tolerance 5|--gaps --tolerance 5 two-runs||"
  "json|--json two-runs||"
  "two listings|odd-name two-runs||"
  "summary from standard input|-|odd-name|"
  "csv from standard input|--csv -|odd-name|"
  "picture|--svg out.svg two-runs||out.svg"
  "picture over an existing file|--svg old.svg odd-name||old.svg"
  "page|--html out.html --station 0A7 two-runs odd-name||out.html"
  "page to standard output|--html - --min-gap 30 two-runs||"
  "page and picture on one file|--html out --svg ./out two-runs||"
  "a missing listing|--csv missing two-runs||"
  "an unknown option|--frobnicate||"
  "a bad tolerance|--tolerance x||"
  "help|--help||"
)

for row in "${cases[@]}"; do
  IFS='|' read -r name words input written <<<"$row"
  for side in linux windows; do
    dir=$scratch/$side
    rm -rf "$dir" && mkdir "$dir" && cp "$scratch/make/two-runs" "$scratch/make/odd-name" "$dir/" || exit 1
    printf 'an older picture, longer than the new one would be if it were only appended to\n%.0s' {1..400} \
      >"$dir/old.svg"
    in=/dev/null
    [ -z "$input" ] || in=$dir/$input
    # shellcheck disable=SC2086  # the words are split on purpose
    if [ $side = linux ]; then
      (cd "$dir" && "$linux/preflist-report" $words <"$in" >out 2>err; echo $? >status)
    else
      (cd "$dir" && timeout -k 10 300 "$wine_loader" "$exe" $words <"$in" >out 2>err; echo $? >status)
    fi
  done
  for f in out err status $written; do
    cmp -s "$scratch/linux/$f" "$scratch/windows/$f" || {
      fail "$arch, $name: $f differs from the Linux program's"
      cmp "$scratch/linux/$f" "$scratch/windows/$f" >&2
    }
  done
  [ -s "$scratch/linux/out" ] || [ -s "$scratch/linux/err" ] || fail "$name: the Linux program wrote nothing"
done

# Ctrl-C while a listing is read from standard input ends the run with the
# status Windows gives a program that Ctrl-C ended, STATUS_CONTROL_C_EXIT,
# of which a POSIX parent sees the low byte: a read cut short is not the
# listing's end. The first listing's rows on standard output show that the run
# is under way and waits on the second, a pipe whose writer stays.
dir=$scratch/interrupt
rm -rf "$dir" && mkdir "$dir" && cp "$scratch/make/two-runs" "$dir/" && mkfifo "$dir/pipe" || exit 1
exec 3<>"$dir/pipe"
(cd "$dir" && exec "$wine_loader" "$exe" --csv two-runs - <pipe >out 2>err) &
pid=$!
for _ in $(seq 1 600); do
  [ -s "$dir/out" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if [ -s "$dir/out" ] && kill -INT "$pid" 2>/dev/null; then
  # Bounded: a run that Ctrl-C did not end is ended when the pipe closes.
  for _ in $(seq 1 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  exec 3>&-
  wait "$pid"
  rc=$?
  [ $rc -eq $((0xC000013A & 0xFF)) ] || fail "$arch, Ctrl-C while reading standard input: exit status $rc, not 58"
else
  exec 3>&-
  kill -KILL "$pid" 2>/dev/null
  wait "$pid"
  fail "$arch, Ctrl-C while reading standard input: the run wrote nothing or had ended before the interrupt"
fi

[ $status -eq 0 ] && echo "$arch preflist-report.exe: ${#cases[@]} cases as the Linux program gives them, and Ctrl-C"
exit $status
