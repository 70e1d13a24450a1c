#!/usr/bin/env bash
# Makes the .tar.gz and .deb packages of a build tree with cpack into a scratch
# folder, checks what they hold (the files of an install, the programs
# stripped, the changelog at the package's version), unpacks the .deb into a
# scratch root and runs the packaged programs there. Exits 77 (skipped) when dpkg-deb is missing.
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
. "$(dirname "$0")/installed_tree.sh"

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

# Contents of the Debian package: modes and owners; the files themselves are
# checked unpacked, below.
contents=$(dpkg-deb -c "$deb") || fail "dpkg-deb -c $deb"
for program in preflister preflist-report; do
  grep -qE "^-rwxr-xr-x root/root .* \./usr/bin/$program\$" <<<"$contents" ||
    fail "the .deb has no usr/bin/$program, executable and owned by root"
done
if grep -vE '^(-rw-r--r--|-rwxr-xr-x|drwxr-xr-x) root/root ' <<<"$contents" | grep -q .; then
  fail "the .deb holds entries of other modes or owners"
fi
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

# The tarball holds the same files below its top folder.
if [ -f "${tgzs[0]}" ]; then
  mkdir -p "$scratch/tgz"
  if tar -xzf "${tgzs[0]}" -C "$scratch/tgz"; then
    tops=("$scratch"/tgz/*)
    [ ${#tops[@]} -eq 1 ] && [ -d "${tops[0]}" ] || fail "the .tar.gz has no single top folder"
    check_tree ".tar.gz" "${tops[0]}" "$source"
  else
    fail "tar -xzf ${tgzs[0]}"
  fi
fi

# Unpack into a scratch root and run the packaged programs there.
root="$scratch/root"
if dpkg-deb -x "$deb" "$root"; then
  check_tree ".deb" "$root/usr" "$source"
  for program in preflister preflist-report; do
    check_stripped ".deb" "$root/usr/bin/$program"
  done
  # The changelog's latest entry is this version's.
  top=$(gzip -dc "$root/usr/share/doc/preflister/changelog.gz" 2>/dev/null | head -n 1)
  [ "$top" = "preflister ($(field Version)) unstable; urgency=medium" ] ||
    fail "the changelog's latest entry is '$top', not version $(field Version)"
  run_installed "$root/usr/bin/preflister" "$source" "$gendata" "$scratch/run" || status=1
  report_installed "$root/usr/bin/preflist-report" "$scratch/run" || status=1
else
  fail "dpkg-deb -x $deb"
fi

[ $status -eq 0 ] && echo "packages $(basename "$deb") and $(basename "${tgzs[0]}"): ok"
exit $status
