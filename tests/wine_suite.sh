#!/usr/bin/env bash
# Runs the end-to-end tests of the Linux build against one Windows build under
# Wine, with a Wine prefix of that build's own (no display, no add-on
# installers, no Wine messages on standard error).
# Usage: wine_suite.sh x86|x64 WINDOWS_BUILD_DIR LINUX_BUILD_DIR TESTS EXCLUDE
set -uo pipefail

arch=${1:?usage: wine_suite.sh x86|x64 WINDOWS_BUILD_DIR LINUX_BUILD_DIR TESTS EXCLUDE}
build=$(cd "${2:?Windows build folder missing}" && pwd)
linux=${3:?Linux build folder missing}
tests=${4:?test programs missing}
exclude=${5:-}

. "$(dirname "$0")/wine_env.sh"
wine_env "$arch" "$build" || exit $?
loader=$wine_loader
winearch=$WINEARCH

# The program as the tests start it; it can also be run by hand.
wrapper=$build/preflister-wine
cat > "$wrapper" <<WRAP
#!/bin/sh
WINEPREFIX='$WINEPREFIX' WINEARCH=$winearch WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' \\
  exec '$loader' '$build/preflister.exe' "\$@"
WRAP
chmod +x "$wrapper"

wine_prefix || exit 1

# One Wine server for all the runs (unless one serves the prefix already), ended after them.
"$wineserver" -p || true
# Each case limits its own runs; this bounds the whole program as well.
run_tests() {
  PREFLISTER_BIN=$wrapper PREFLISTER_BIN_SYSTEM=windows \
    timeout -k 10 1800 "$linux/tests/$1" --gtest_filter="$2" 2>&1 | tee "$log"
}

# One or two cases that failed are run once more on their own. On a freshly
# made machine a single run under Wine has been seen to end with status 1 and
# nothing written, once in the whole suite, and not again in 28 runs of it
# here. A fault of ours fails again and fails the suite, and what the first
# run printed stays in the log; more failures than that are never put down
# to Wine.
log=$(mktemp)
status=0
for t in $tests; do
  echo "== $t against the $arch build"
  run_tests "$t" "-$exclude" && continue
  # The summary's lines: the name, and for a parameterised case what it was given.
  failed=$(grep -v ' ms)$' "$log" | sed -n 's/^\[  FAILED  \] \([^ ,]*\).*/\1/p' | sort -u | paste -sd: -)
  if [ -z "$failed" ] || [ "$(echo "$failed" | tr -cd : | wc -c)" -gt 1 ]; then
    status=1
    continue
  fi
  echo "== $t against the $arch build: once more, $failed"
  run_tests "$t" "$failed" || status=1
done
rm -f "$log"
"$wineserver" -k || true
exit $status
