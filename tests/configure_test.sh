#!/usr/bin/env bash
# Configures the source tree in scratch folders, one way per row, and checks
# what each configuration says and builds: without GoogleTest the programs
# still configure and the suite stops with the package to install; the
# hardening flags reach the Linux programs and no other build. Only
# configures: nothing is compiled.
# Usage: configure_test.sh CMAKE SOURCE_DIR
set -u

cmake=${1:?usage: configure_test.sh CMAKE SOURCE_DIR}
source=${2:?source dir missing}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/preflister-configure.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

no_gtest=-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON
mingw=$source/cmake/mingw-w64-x86_64.cmake
# name | cmake words | exit status 0 or not | text the output must hold |
#   words driver/main.cpp's compile must hold | words it must not | targets there | targets not there
rows=(
  "suite without gtest|$no_gtest -DPREFLISTER_TESTS=ON|fails|install libgtest-dev||||"
  "programs without gtest|$no_gtest -DPREFLISTER_TESTS=OFF|0||-D_FORTIFY_SOURCE=2 -fstack-protector-strong||preflister preflist-report gendata|e2e_test report_e2e_test"
  "no hardening asked|-DPREFLISTER_TESTS=OFF -DPREFLISTER_HARDENING=OFF|0|||-D_FORTIFY_SOURCE=2 -fstack-protector-strong||"
  "sanitizers|-DPREFLISTER_TESTS=OFF -DPREFLISTER_SANITIZE=ON|0||-fsanitize=address,undefined|-D_FORTIFY_SOURCE=2 -fstack-protector-strong||"
  "windows x64|-DPREFLISTER_TESTS=OFF -DCMAKE_TOOLCHAIN_FILE=$mingw|0|||-D_FORTIFY_SOURCE=2 -fstack-protector-strong||"
)

i=0
for row in "${rows[@]}"; do
  IFS='|' read -r name words want_rc want_text has lacks targets absent <<<"$row"
  i=$((i + 1))
  if [ "$name" = "windows x64" ] && ! command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 &&
      ! command -v x86_64-w64-mingw32-g++ >/dev/null 2>&1; then
    echo "$name: no mingw-w64 compiler, row skipped"
    continue
  fi
  dir=$scratch/$i
  # shellcheck disable=SC2086  # the words are split on purpose
  "$cmake" -S "$source" -B "$dir" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON $words >"$scratch/$i.log" 2>&1
  rc=$?
  if [ "$want_rc" = fails ]; then
    [ $rc -ne 0 ] || fail "$name: configuring succeeded"
  elif [ $rc -ne 0 ]; then
    fail "$name: configuring failed (exit $rc)"
    cat "$scratch/$i.log" >&2
    continue
  fi
  if [ -n "$want_text" ] && ! grep -qF "$want_text" "$scratch/$i.log"; then
    fail "$name: the output does not say '$want_text':"
    cat "$scratch/$i.log" >&2
  fi
  [ $rc -eq 0 ] || continue

  compile=$(python3 - "$dir/compile_commands.json" <<'PY'
import json, sys
for entry in json.load(open(sys.argv[1])):
    if entry["file"].endswith("driver/main.cpp"):
        print(entry.get("command") or " ".join(entry["arguments"]))
PY
)
  [ -n "$compile" ] || fail "$name: no compile command for driver/main.cpp"
  for word in $has; do
    grep -qF -- " $word " <<<"$compile " || fail "$name: driver/main.cpp is compiled without $word"
  done
  for word in $lacks; do
    grep -qF -- " $word " <<<"$compile " && fail "$name: driver/main.cpp is compiled with $word"
  done
  if [ -n "$targets$absent" ]; then
    help=$("$cmake" --build "$dir" --target help 2>&1)
    for t in $targets; do
      grep -qE "^\.\.\. $t( |\$)" <<<"$help" || fail "$name: no target $t"
    done
    for t in $absent; do
      grep -qE "^\.\.\. $t( |\$)" <<<"$help" && fail "$name: target $t is there"
    done
  fi
done

[ $status -eq 0 ] && echo "configurations (${#rows[@]} ways): ok"
exit $status
