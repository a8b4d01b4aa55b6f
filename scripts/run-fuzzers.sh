#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz (clang, address and undefined-behaviour sanitizers)
# and runs each one for a while.
#
#   scripts/run-fuzzers.sh [seconds per target, default 20] [build dir, default build-fuzz]
#
# For each target (xfile, image, wav, effect):
#   1. replays every input kept in tests/fuzz/regressions/<target>/ (crashes found and fixed);
#   2. fuzzes for the given time from the seeds in tests/fuzz/corpus/<target>/; inputs it finds
#      interesting go to <build dir>/corpus/<target>/, never into the source tree.
# A crashing input is kept in <build dir>/crashes/<target>/. Once its bug is fixed, copy it into
# tests/fuzz/regressions/<target>/. Exits non-zero when any target crashed.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-20}
build=${2:-$root/build-fuzz}
case "$seconds" in
  '' | *[!0-9]*)
    echo "usage: $0 [seconds per target] [build dir]" >&2
    exit 2
    ;;
esac

cmake -S "$root/tests/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build"
build=$(cd "$build" && pwd)

export UBSAN_OPTIONS=print_stacktrace=1
status=0
for target in xfile image wav effect; do
  fuzzer=$build/${target}_fuzzer
  seeds=$root/tests/fuzz/corpus/$target
  regressions=$root/tests/fuzz/regressions/$target
  work=$build/corpus/$target
  crashes=$build/crashes/$target
  log=$build/$target.log
  mkdir -p "$work" "$crashes"

  inputs=()
  if [ -d "$regressions" ]; then
    while IFS= read -r -d '' file; do inputs+=("$file"); done \
      < <(find "$regressions" -type f ! -name '.*' -print0 | sort -z)
  fi
  if [ ${#inputs[@]} -gt 0 ]; then
    if ! "$fuzzer" -artifact_prefix="$crashes/" "${inputs[@]}" >"$log" 2>&1; then
      echo "$target: a kept regression input fails again" >&2
      tail -n 40 "$log" >&2
      status=1
      continue
    fi
    echo "$target: ${#inputs[@]} regression inputs pass"
  fi

  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
    -artifact_prefix="$crashes/")
  if [ -f "$root/tests/fuzz/$target.dict" ]; then args+=(-dict="$root/tests/fuzz/$target.dict"); fi
  dirs=("$work" "$seeds")
  if [ -d "$regressions" ]; then dirs+=("$regressions"); fi
  if "$fuzzer" "${args[@]}" "${dirs[@]}" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$target: no crash in ${seconds} s, ${runs:-?} inputs run, corpus $(find "$work" -type f | wc -l) files"
  else
    echo "$target: CRASH; the input is kept in $crashes/ (log: $log)" >&2
    grep -E 'ERROR|SUMMARY|runtime error|==[0-9]+==' "$log" | head -n 20 >&2 || true
    status=1
  fi
done
exit $status
