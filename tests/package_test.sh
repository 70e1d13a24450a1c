#!/usr/bin/env bash
# Makes the .tar.gz and .deb packages of a build tree with cpack into a scratch
# folder, checks what they hold, unpacks the .deb into a scratch root and runs
# the packaged program there. Exits 77 (skipped) when dpkg-deb is missing.
# Usage: package_test.sh CPACK BUILD_DIR SOURCE_DIR [GENDATA]
set -u

cpack=${1:?usage: package_test.sh CPACK BUILD_DIR SOURCE_DIR [GENDATA]}
build=${2:?build dir missing}
source=${3:?source dir missing}
gendata=${4:-}

if ! command -v dpkg-deb >/dev/null 2>&1; then
  echo "dpkg-deb not found: packages not checked"
  exit 77
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/preflister-package.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

. "$(dirname "$0")/run_installed.sh"

# Packages go to the scratch folder, cpack's own work files with them.
if ! "$cpack" --config "$build/CPackConfig.cmake" -G "TGZ;DEB" -B "$scratch/out" \
    >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log" >&2
  fail "cpack --config $build/CPackConfig.cmake"
  exit 1
fi

debs=("$scratch"/out/*.deb)
tgzs=("$scratch"/out/*.tar.gz)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { fail "cpack made no single .deb: ${debs[*]}"; exit 1; }
[ ${#tgzs[@]} -eq 1 ] && [ -f "${tgzs[0]}" ] || fail "cpack made no single .tar.gz: ${tgzs[*]}"
deb=${debs[0]}

# Contents of the Debian package.
contents=$(dpkg-deb -c "$deb") || fail "dpkg-deb -c $deb"
grep -qE '^-rwxr-xr-x .* \./usr/bin/preflister$' <<<"$contents" ||
  fail "the .deb has no executable usr/bin/preflister"
grep -qE ' \./usr/share/man/man1/preflister\.1(\.gz)?$' <<<"$contents" ||
  fail "the .deb has no usr/share/man/man1/preflister.1"
grep -qE '^-rwxr-xr-x .* \./usr/bin/preflist-report$' <<<"$contents" ||
  fail "the .deb has no executable usr/bin/preflist-report"
grep -qE ' \./usr/share/man/man1/preflist-report\.1(\.gz)?$' <<<"$contents" ||
  fail "the .deb has no usr/share/man/man1/preflist-report.1"
if [ $status -ne 0 ]; then printf '%s\n' "$contents" >&2; fi

# Its control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = preflister ] || fail "Package is '$(field Package)'"
[ "$(field Section)" = utils ] || fail "Section is '$(field Section)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
grep -q 'libc6' <<<"$(field Depends)" || fail "Depends '$(field Depends)' does not name libc6"
if command -v dpkg >/dev/null 2>&1; then
  [ "$(field Architecture)" = "$(dpkg --print-architecture)" ] ||
    fail "Architecture is '$(field Architecture)'"
fi

# The tarball holds the same four files below its top folder.
if [ -f "${tgzs[0]}" ]; then
  list=$(tar -tzf "${tgzs[0]}") || fail "tar -tzf ${tgzs[0]}"
  grep -qE '^[^/]+/bin/preflister$' <<<"$list" || fail "the .tar.gz has no bin/preflister"
  grep -qE '^[^/]+/share/man/man1/preflister\.1(\.gz)?$' <<<"$list" ||
    fail "the .tar.gz has no share/man/man1/preflister.1"
  grep -qE '^[^/]+/bin/preflist-report$' <<<"$list" || fail "the .tar.gz has no bin/preflist-report"
  grep -qE '^[^/]+/share/man/man1/preflist-report\.1(\.gz)?$' <<<"$list" ||
    fail "the .tar.gz has no share/man/man1/preflist-report.1"
fi

# Unpack into a scratch root and run the packaged program there.
root="$scratch/root"
if dpkg-deb -x "$deb" "$root"; then
  for name in preflister preflist-report; do
    page="$root/usr/share/man/man1/$name.1"
    if [ -f "$page.gz" ]; then
      gzip -dc "$page.gz" | cmp -s - "$source/doc/$name.1" || fail "packaged manual page $name.1 differs"
    else
      cmp -s "$page" "$source/doc/$name.1" || fail "packaged manual page $name.1 differs"
    fi
  done
  run_installed "$root/usr/bin/preflister" "$source" "$gendata" "$scratch/run" || status=1
  report_installed "$root/usr/bin/preflist-report" "$scratch/run" || status=1
else
  fail "dpkg-deb -x $deb"
fi

[ $status -eq 0 ] && echo "packages $(basename "$deb") and $(basename "${tgzs[0]}"): ok"
exit $status
