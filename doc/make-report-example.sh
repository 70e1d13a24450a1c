#!/usr/bin/env bash
# Regenerates doc/preflist-report-example.png, and prints the summary and the
# first --segments and --gaps rows shown beside it in the README: a day of a
# recorder's data file of four stations from gendata (seed 1: each station
# with two gaps, an overlap and a step back planted), listed by preflister.
# Needs rsvg-convert (librsvg2-bin).
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
