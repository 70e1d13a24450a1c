#!/usr/bin/env bash
# Records the profile of a training build (PREFLISTER_PROFILE=generate): runs
# its preflister on a data file of gendata's mix and marks the profile done.
# Nothing is run again while the profile is newer than the program.
#
#   tools/train_profile.sh BUILD PROFILE_DIR
set -euo pipefail

build=$(cd "${1:?usage: train_profile.sh BUILD PROFILE_DIR}" && pwd)
dir=${2:?usage: train_profile.sh BUILD PROFILE_DIR}
trained=$dir/trained

if [ -f "$trained" ] && [ "$trained" -nt "$build/preflister" ]; then
  exit 0
fi
# The counts of an earlier run would add to this one's. Only what this
# script and the training run make is removed: the folder is the caller's.
mkdir -p "$dir"
rm -rf "$dir/run" "$trained"
rm -f "$dir"/*.gcda
mkdir "$dir/run"
# 64 MiB of the mix, from another seed than the benchmark's file.
"$build/gendata" "$dir/run/train.dat" 16384 2
(cd "$dir/run" && "$build/preflister" train.dat >/dev/null)
if ! ls "$dir"/*.gcda >/dev/null 2>&1; then
  echo "train_profile.sh: $build/preflister recorded no profile in $dir" >&2
  exit 1
fi
rm -rf "$dir/run"
touch "$trained"
