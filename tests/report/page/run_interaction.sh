#!/bin/sh
# Makes a page of a recorder's day (four stations, gaps, overlaps and steps back) in a scratch folder and
# drives it in headless Chromium; skips (77) where node or chromium is not installed.
# Usage: run_interaction.sh TEST.js GENDATA PREFLISTER PREFLIST-REPORT
set -eu
test_js=$1 gendata=$2 preflister=$3 report=$4
if ! command -v node >/dev/null 2>&1; then
    echo "node is not installed: the page's interaction tests are skipped"
    exit 77
fi
scratch=$(mktemp -d "${TMPDIR:-/tmp}/page-interaction.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
"$gendata" --recorder r.dat --span 1d >/dev/null
"$preflister" r.dat >/dev/null
"$report" --html page.html >/dev/null
node "$test_js" "$scratch/page.html"
