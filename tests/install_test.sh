#!/usr/bin/env bash
# Installs a build tree into scratch prefixes with cmake --install and checks
# what lands there: the two programs, their manual pages compressed without
# name or time stamp, the copyright file and the changelog, nothing else; and
# programs that run.
# Usage: install_test.sh CMAKE BUILD_DIR SOURCE_DIR [GENDATA]
set -u

cmake=${1:?usage: install_test.sh CMAKE BUILD_DIR SOURCE_DIR [GENDATA]}
build=${2:?build dir missing}
source=${3:?source dir missing}
gendata=${4:-}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/preflister-install.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

. "$(dirname "$0")/run_installed.sh"
. "$(dirname "$0")/installed_tree.sh"

# The installs: name, DESTDIR (empty for none), prefix, extra cmake --install words.
cases=(
  "prefix||$scratch/prefix|"
  "staged|$scratch/stage|/opt/preflister|"
  "stripped|$scratch/strip|/usr|--strip"
)
for row in "${cases[@]}"; do
  IFS='|' read -r name destdir prefix extra <<<"$row"
  root=$destdir$prefix
  if ! DESTDIR=$destdir "$cmake" --install "$build" --prefix "$prefix" $extra >"$scratch/$name.log" 2>&1; then
    cat "$scratch/$name.log" >&2
    fail "$name: cmake --install $build --prefix $prefix $extra"
    continue
  fi
  check_tree "$name" "$root" "$source"
  if [ -n "$extra" ]; then
    for program in preflister preflist-report; do
      check_stripped "$name" "$root/bin/$program"
    done
  fi
done

run_installed "$scratch/prefix/bin/preflister" "$source" "$gendata" "$scratch/run" || status=1
report_installed "$scratch/prefix/bin/preflist-report" "$scratch/run" || status=1
run_installed "$scratch/strip/usr/bin/preflister" "$source" "$gendata" "$scratch/run-stripped" || status=1

[ $status -eq 0 ] && echo "install into scratch prefixes (${#cases[@]} ways): ok"
exit $status
