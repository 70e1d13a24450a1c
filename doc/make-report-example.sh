#!/usr/bin/env bash
# Regenerates doc/preflist-report-example.png, and prints the summary and the
# first CSV rows shown beside it in the README: a data file of 65,536 records
# from gendata (seed 1, four stations), listed by preflister, reported with a
# tolerance of 2 s. Needs rsvg-convert (librsvg2-bin).
# Usage: doc/make-report-example.sh [BUILD_DIR]   (default build, built first)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/${1:-build}
make build BUILD="${1:-build}" >/dev/null
scratch=$(mktemp -d "${TMPDIR:-/tmp}/report-example.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

"$build/gendata" "$scratch/mix.dat" 65536 1
cd "$scratch"
"$build/preflister" mix.dat >/dev/null
"$build/preflist-report" --tolerance 2 --svg example.svg
echo "----"
"$build/preflist-report" --csv >records.csv
head -n 4 records.csv
grep -m 1 -E ',-9[78],.*,[0-9]+: ' records.csv   # a rejected record with its decoder line
grep -m 1 'ivstat,xmtr_id' records.csv            # a transmitter that differs from its station
rsvg-convert -o "$root/doc/preflist-report-example.png" example.svg
echo "---- wrote doc/preflist-report-example.png"
