#!/usr/bin/env bash
# Makes the Debian package of a build tree with cpack into a scratch folder
# and checks it with lintian, Debian's own package checker, down to its
# informational tags: any error, warning or information tag fails the test.
# Exits 77 (skipped) when lintian or dpkg-deb is missing, or when the build
# is made without the hardening flags (a sanitizer build): what it would pack
# is not what ships, and lintian rightly names the flags it lacks.
# Usage: lintian_test.sh CPACK BUILD_DIR HARDENED(ON|OFF)
set -u

cpack=${1:?usage: lintian_test.sh CPACK BUILD_DIR HARDENED}
build=${2:?build dir missing}
hardened=${3:?whether the build is hardened is missing}

if [ "$hardened" != ON ]; then
  echo "this build is made without the hardening flags (a sanitizer or fuzzing build, or"
  echo "PREFLISTER_HARDENING=OFF): its package is not what ships, so lintian does not check it"
  exit 77
fi

for tool in lintian dpkg-deb; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "$tool not found: the Debian package not checked with lintian (install lintian)"
    exit 77
  fi
done

scratch=$(mktemp -d "${TMPDIR:-/tmp}/preflister-lintian.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT

if ! "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log" >&2
  echo "FAIL: cpack --config $build/CPackConfig.cmake -G DEB" >&2
  exit 1
fi
debs=("$scratch"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: cpack made no single .deb" >&2; exit 1; }

# Standard error carries lintian's own notes (such as running as root), not tags.
lintian --display-info "${debs[0]}" >"$scratch/tags" 2>"$scratch/notes"
rc=$?
cat "$scratch/tags"
if [ $rc -ne 0 ] || grep -qE '^[EWI]: ' "$scratch/tags"; then
  cat "$scratch/notes" >&2
  echo "FAIL: lintian on $(basename "${debs[0]}") (exit $rc)" >&2
  exit 1
fi
echo "lintian --display-info $(basename "${debs[0]}"): no tags"
