#!/usr/bin/env bash
# The test command (`make test`, which CI runs): installs what is missing, builds, then
# runs each group of tests (a ctest label) in turn, the tests of a group side by side on
# every core. The wall time of every stage is printed as it ends, and all of them again at
# the end, so that a slow stage shows in every log. Every group runs even when an earlier
# one failed; the command fails when any stage did.
#
#   scripts/run-tests.sh [build dir, default build]
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
# The groups, quickest first, so that a simple fault shows early.
labels=(unit build fuzz sanitize e2e wine headless soak web)
jobs=$(nproc)

results=()
failed=0

# Runs stage $1: the command that follows. Prints and records its wall time and verdict.
stage() {
  local name=$1 start=$SECONDS status=0 line
  shift
  echo "==== $name"
  "$@" || status=$?
  line=$(printf '%-15s %5d s  %s' "$name" $((SECONDS - start)) "$([ "$status" = 0 ] && echo passed || echo FAILED)")
  echo "==== $line"
  results+=("$line")
  [ "$status" = 0 ] || failed=1
  return "$status"
}

summary() {
  echo
  echo "==== wall time by stage"
  printf '  %s\n' "${results[@]}"
  printf '  %-15s %5d s\n' total "$SECONDS"
}
trap summary EXIT

configure_and_build() {
  cmake -S "$root" -B "$build" -G Ninja && cmake --build "$build"
}

# A test outside every group would never run: the groups must cover every test.
every_test_in_a_group() {
  local pattern unlisted
  pattern="^($(IFS='|'; echo "${labels[*]}"))\$"
  unlisted=$(ctest --test-dir "$build" -N -LE "$pattern" | sed -n 's/^ *Test *#[0-9]*: //p')
  [ -z "$unlisted" ] && return
  echo "tests in no group of scripts/run-tests.sh:" $unlisted >&2
  return 1
}

stage packages bash "$root/scripts/install-deps.sh" --web || exit 1
stage build configure_and_build || exit 1
every_test_in_a_group || exit 1
for label in "${labels[@]}"; do
  # The Wine run prints its comparison figures with our platform's even when it passes.
  verbose=()
  [ "$label" = wine ] && verbose=(--verbose)
  stage "tests:$label" ctest --test-dir "$build" -L "^$label\$" -j "$jobs" --output-on-failure "${verbose[@]}"
done
exit "$failed"
