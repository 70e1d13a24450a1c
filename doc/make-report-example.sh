#!/usr/bin/env bash
# Regenerates doc/preflist-report-example.png, and prints the summary and the
# first --segments and --gaps rows shown beside it in the README: a day of a
# recorder's data file of four stations from gendata (seed 1: each station
# with two gaps, an overlap and a step back planted), listed by preflister.
# Then doc/preflist-report-page.png: the --html page of three days of the same
# recorder, zoomed to its first gap by the page's fragment, the pointer on it.
# Needs rsvg-convert (librsvg2-bin), node and chromium.
# Usage: doc/make-report-example.sh [BUILD_DIR]   (default build, built first)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/${1:-build}
make build BUILD="${1:-build}" >/dev/null
scratch=$(mktemp -d "${TMPDIR:-/tmp}/report-example.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

"$build/gendata" --recorder "$scratch/recorder.dat" --span 1d
cd "$scratch"
"$build/preflister" recorder.dat >/dev/null
"$build/preflist-report" --svg example.svg
echo "----"
"$build/preflist-report" --segments | head -n 6
echo "----"
"$build/preflist-report" --gaps | head -n 6
rsvg-convert -o "$root/doc/preflist-report-example.png" example.svg
echo "---- wrote doc/preflist-report-example.png"

"$build/gendata" --recorder "$scratch/days.dat" --span 3d
rm -f preflist
"$build/preflister" days.dat >/dev/null
"$build/preflist-report" --html days.html >/dev/null
# The first gap: its station, and twenty minutes on each side of it.
IFS=, read -r station from to < <("$build/preflist-report" --gaps | awk -F, '$8 == "gap" { print $3 "," $5 "," $6; exit }')
window() { date -u -d "@$(($(date -u -d "$1" +%s) + $2))" +%Y-%m-%dT%H:%M:%SZ; }
fragment="start=$(window "$from" -1200)&end=$(window "$to" 1200)"
node "$root/doc/page-screenshot.js" "$scratch/days.html" "$fragment" "$station" "$root/doc/preflist-report-page.png"
echo "---- wrote doc/preflist-report-page.png (days.html#$fragment, station $station)"
