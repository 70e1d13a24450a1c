#!/bin/sh
# Makes pages and --json of the same listings with several options, and has data_test.js compare them;
# skips (77) where node is not installed.
# Usage: run_data.sh TEST.js LOGIC.js GENDATA PREFLISTER PREFLIST-REPORT
set -eu
test_js=$1 logic=$2 gendata=$3 preflister=$4 report=$5
if ! command -v node >/dev/null 2>&1; then
    echo "node is not installed: the page's data is not compared with --json"
    exit 77
fi
scratch=$(mktemp -d "${TMPDIR:-/tmp}/page-data.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
# Two recorder runs, the second over the first's time, and a mixed file with rejected records.
"$gendata" --recorder a.dat --span 1d --seed 1 >/dev/null
"$gendata" --recorder b.dat --span 2d --seed 2 --gaps 5 --backward 3 >/dev/null
"$gendata" mixed.dat 3000 7 >/dev/null
for data in a.dat b.dat mixed.dat; do "$preflister" "$data" >/dev/null; done
set -- "$test_js" "$logic"
n=0
for options in "" "--min-gap 300" "--tolerance 0" "--station 15B --start 2024-03-01T06:00:00Z" "--end 2024-03-01T12:00:00Z"; do
    n=$((n + 1))
    # shellcheck disable=SC2086
    "$report" $options --html "page$n.html" >/dev/null
    # shellcheck disable=SC2086
    "$report" $options --json > "runs$n.jsonl"
    set -- "$@" "$scratch/page$n.html" "$scratch/runs$n.jsonl"
done
node "$@"
