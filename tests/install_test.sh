#!/usr/bin/env bash
# Installs a build tree into scratch prefixes with cmake --install and checks
# what lands there: the two programs and their manual pages, nothing else,
# and programs that run.
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

# Checks an installed tree at $1: exactly the four files, in their places.
check_tree() {
  local root=$1 files page
  files=$(cd "$root" && find . -type f | LC_ALL=C sort | tr '\n' ' ')
  [ "$files" = "./bin/preflist-report ./bin/preflister ./share/man/man1/preflist-report.1 ./share/man/man1/preflister.1 " ] ||
    fail "installed files under $root are: $files"
  for page in preflister preflist-report; do
    [ -x "$root/bin/$page" ] || fail "$root/bin/$page is not executable"
    cmp -s "$root/share/man/man1/$page.1" "$source/doc/$page.1" ||
      fail "$root/share/man/man1/$page.1 differs from doc/$page.1"
  done
}

prefix="$scratch/prefix"
if "$cmake" --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1; then
  check_tree "$prefix"
  run_installed "$prefix/bin/preflister" "$source" "$gendata" "$scratch/run" || status=1
  report_installed "$prefix/bin/preflist-report" "$scratch/run" || status=1
else
  cat "$scratch/install.log" >&2
  fail "cmake --install $build --prefix $prefix"
fi

# A staged install: DESTDIR goes in front of an absolute prefix.
if DESTDIR="$scratch/stage" "$cmake" --install "$build" --prefix /opt/preflister \
    >"$scratch/stage.log" 2>&1; then
  check_tree "$scratch/stage/opt/preflister"
else
  cat "$scratch/stage.log" >&2
  fail "DESTDIR=... cmake --install $build --prefix /opt/preflister"
fi

[ $status -eq 0 ] && echo "install into a scratch prefix: ok"
exit $status
