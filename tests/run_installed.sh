# Sourced by the install and package tests.
#
# report_installed BIN RUN_DIR
#   Runs the installed preflist-report BIN in RUN_DIR, where run_installed
#   has left a listing, and checks its summary: exit status 0, nothing on
#   standard error, one run of sample.dat ended at the end of the file.
#
# run_installed BIN SOURCE_DIR GENDATA RUN_DIR
#   Runs the installed program BIN in the new folder RUN_DIR on a small data
#   file (SOURCE_DIR/examples/sample.dat; without it, one made by GENDATA, or
#   three records of zero bytes) and checks the run: exit status 0, nothing on
#   standard error, the stop message on the console, and a listing that starts
#   with the banner and the name, has one listing line per record and ends with
#   the end-of-file line. Returns non-zero after saying what went wrong.
run_installed() {
  local bin=$1 source=$2 gendata=$3 dir=$4
  local data=sample.dat ok=0 rc size records want lines
  mkdir -p "$dir" || return 1

  if [ -f "$source/examples/sample.dat" ]; then
    cp "$source/examples/sample.dat" "$dir/$data" || return 1
  elif [ -n "$gendata" ] && [ -x "$gendata" ]; then
    "$gendata" --sample "$dir/$data" >/dev/null || return 1
  else
    head -c $((3 * 4096)) /dev/zero >"$dir/$data" || return 1
  fi
  size=$(wc -c <"$dir/$data")
  records=$((size / 4096))

  (cd "$dir" && exec "$bin" "$data" >console.out 2>console.err </dev/null)
  rc=$?
  if [ $rc -ne 0 ]; then
    echo "FAIL: $bin $data: exit status $rc, expected 0" >&2
    cat "$dir/console.err" >&2
    ok=1
  fi
  if [ -s "$dir/console.err" ]; then
    echo "FAIL: $bin $data wrote to standard error:" >&2
    cat "$dir/console.err" >&2
    ok=1
  fi
  grep -q 'Stop - Program terminated\.' "$dir/console.out" ||
    { echo "FAIL: no stop message on the console" >&2; ok=1; }

  if [ ! -f "$dir/preflist" ]; then
    echo "FAIL: $bin $data wrote no preflist" >&2
    return 1
  fi
  # Lines end with CR LF.
  [ "$(sed -n 1p "$dir/preflist")" = $' new run ---------------------------------\r' ] ||
    { echo "FAIL: first line of preflist is not the banner:" >&2; sed -n 1p "$dir/preflist" | od -c | head -5 >&2; ok=1; }
  [ "$(sed -n 2p "$dir/preflist")" = $' sample.dat\r' ] ||
    { echo "FAIL: second line of preflist is not the name line" >&2; ok=1; }
  want=$(printf ' -- eof at irec=%5d --\r' $((records + 1)))
  [ "$(tail -n 1 "$dir/preflist")" = "$want" ] ||
    { echo "FAIL: last line of preflist is not '${want%$'\r'}'" >&2; tail -n 3 "$dir/preflist" >&2; ok=1; }
  lines=$(grep -cE $'^[ 0-9]{5}[0-9][- 0-9]{2}[0-9] [0-9A-F]{5} [0-9A-F]{6}(    Range Start ZERO!)?\r$' \
    "$dir/preflist")
  [ "$lines" -eq "$records" ] ||
    { echo "FAIL: preflist has $lines listing lines for $records records" >&2; ok=1; }
  return $ok
}

report_installed() {
  local bin=$1 dir=$2 rc
  (cd "$dir" && exec "$bin" >report.out 2>report.err </dev/null)
  rc=$?
  if [ $rc -ne 0 ] || [ -s "$dir/report.err" ]; then
    echo "FAIL: $bin: exit status $rc, expected 0 and nothing on standard error:" >&2
    cat "$dir/report.err" >&2
    return 1
  fi
  grep -qx 'run 1: sample.dat' "$dir/report.out" && grep -q '^  ended        end of file, at record ' "$dir/report.out" &&
    grep -qx 'total: 1 run in 1 listing' "$dir/report.out" ||
    { echo "FAIL: $bin: unexpected summary:" >&2; cat "$dir/report.out" >&2; return 1; }
}
