#!/usr/bin/env bash
# The soak benchmark (bench/soak) under Wine: builds it, runs it and prints its table, for each
# word size. The real launcher and library with a target program of our own, through 1,000
# windows created and destroyed, 10,000 keys and three launcher restarts; the handles, threads,
# GDI and USER objects and memory of both processes at the start and at the end. It runs in a
# Wine environment of its own (tools/wine-env.sh with a root beside the tests' one: a private
# Xvfb display and a prefix in the build tree), so a test run at the same time is neither typed
# into nor stopped under it.
#   tools/bench-soak.sh [--runs N] [--bits 64|32|both] [--windows N] [--keys N]
# --windows and --keys make a shorter run (1,000 and 10,000 by default). Each run's output, the
# progress on the way included, is also kept in BUILD/bench-soak-results/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${SKIMVUE_BUILD_DIR:-$here/build}

usage() {
  echo "usage: bench-soak.sh [--runs N] [--bits 64|32|both] [--windows N] [--keys N]" >&2
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
    --windows | --keys) args+=("$1" "${2:?}"); shift 2 ;;
    *) usage ;;
  esac
done

[ -f "$build/CMakeCache.txt" ] || cmake -S "$here" -B "$build" -G Ninja -DSKIMVUE_WINDOWS=ON >/dev/null
for b in $bits; do
  # The Windows builds are configured by the first build of the whole tree.
  [ -f "$build/win$b/build.ninja" ] || cmake --build "$build"
  cmake --build "$build/win$b" --target skimvue_soak_bench >/dev/null
done

env_sh=$here/tools/wine-env.sh
wine_root=$build/wine-soak
results=$build/bench-soak-results
mkdir -p "$results"
"$env_sh" "$wine_root" start >/dev/null
trap '"$env_sh" "$wine_root" stop' EXIT
# Wine waits up to two seconds for a window manager to confirm that a managed window (any window
# it activated) is withdrawn, and Xvfb runs none: every closed window would cost two seconds. In
# this prefix no window is managed.
"$env_sh" "$wine_root" run64 sh -c \
  '"$SKIMVUE_WINE" reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f' >/dev/null 2>&1

failed=0
for b in $bits; do
  for run in $(seq 1 "$runs"); do
    out=$results/win$b-$(date +%Y%m%d-%H%M%S)-run$run.txt
    echo "== win$b, run $run of $runs =="
    rc=0
    "$env_sh" "$wine_root" "run$b" "$build/win$b/bench-soak/skimvue_soak_bench.exe" \
      ${args[@]+"${args[@]}"} >"$out" 2>&1 || rc=$?
    # The progress lines go to the file; the table to the terminal as well.
    grep -v '^soak, ' "$out" || true
    if [ "$rc" = 77 ]; then
      break
    elif [ "$rc" != 0 ]; then
      # A run that met a problem says so in its table; the next runs still go ahead.
      echo "bench-soak: win$b run $run failed ($rc), see $out" >&2
      failed=1
    fi
  done
done
exit "$failed"
