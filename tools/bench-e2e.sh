#!/usr/bin/env bash
# The end-to-end keystroke benchmark (bench/e2e) under Wine: builds it, runs it and prints its
# table, for each word size. It runs in a Wine environment of its own (tools/wine-env.sh with a
# root beside the tests' one: a private Xvfb display and a prefix in the build tree), so a test
# run at the same time is neither typed into nor stopped under it.
#   tools/bench-e2e.sh [--runs N] [--bits 64|32|both] [--sizes 1000,10000,100000]
#                      [--views list,browser,dialog] [--tooltip] [--dialog-rule] [--keys]
# --views picks the rows: the list view of the benchmark's own target, Wine's file browser and a
# file dialog over real folders (all by default); --tooltip runs the library with its tooltip
# on; --dialog-rule attaches the dialog through a list-view rule rather than the library's
# file-dialog setting; --keys also lists every key's times. Each run's output is also kept in
# BUILD/bench-e2e-results/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${SKIMVUE_BUILD_DIR:-$here/build}

usage() {
  echo "usage: bench-e2e.sh [--runs N] [--bits 64|32|both] [--sizes LIST] [--views LIST]" \
    "[--tooltip] [--dialog-rule] [--keys]" >&2
  exit 2
}

runs=1
bits="64 32"
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=${2:?}; shift 2 ;;
    --bits)
      case "${2:-}" in 64 | 32) bits=$2 ;; both) bits="64 32" ;; *) usage ;; esac
      shift 2
      ;;
    --sizes | --views) args+=("$1" "${2:?}"); shift 2 ;;
    --tooltip | --dialog-rule | --keys) args+=("$1"); shift ;;
    *) usage ;;
  esac
done

[ -f "$build/CMakeCache.txt" ] || cmake -S "$here" -B "$build" -G Ninja -DSKIMVUE_WINDOWS=ON >/dev/null
for b in $bits; do
  # The Windows builds are configured by the first build of the whole tree.
  [ -f "$build/win$b/build.ninja" ] || cmake --build "$build"
  cmake --build "$build/win$b" --target skimvue_e2e_bench >/dev/null
done

env_sh=$here/tools/wine-env.sh
wine_root=$build/wine-bench
results=$build/bench-e2e-results
mkdir -p "$results"
"$env_sh" "$wine_root" start >/dev/null
trap '"$env_sh" "$wine_root" stop' EXIT

for b in $bits; do
  for run in $(seq 1 "$runs"); do
    out=$results/win$b-$(date +%Y%m%d-%H%M%S)-run$run.txt
    echo "== win$b, run $run of $runs =="
    rc=0
    # The machine may be shared: its load beside the figures.
    {
      echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
      status=0
      "$env_sh" "$wine_root" "run$b" "$build/win$b/bench-e2e/skimvue_e2e_bench.exe" \
        ${args[@]+"${args[@]}"} || status=$?
      echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
      exit "$status"
    } | tee "$out" || rc=$?
    if [ "$rc" = 77 ]; then
      break
    elif [ "$rc" != 0 ]; then
      echo "bench-e2e: win$b run $run failed ($rc)" >&2
      exit "$rc"
    fi
  done
done
