#!/usr/bin/env bash
# Builds the platform-free tests once more with AddressSanitizer and UndefinedBehaviorSanitizer
# (a native build of its own, no Windows builds) and runs them. The first fault ends the test
# case that hit it, with the sanitizer's report in the test's output.
# Usage: test-sanitizers.sh [BUILD_DIR]   (default: build/asan)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/asan}

# -O1 keeps the reports' stacks readable and builds faster than -O2; line tables (-g1) are all
# the reports need. GCC's maybe-uninitialized analysis sees through the sanitizers'
# instrumentation and flags libstdc++'s <regex> and <functional> internals, so that one warning
# is off here; every other warning stays an error.
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S "$here" -B "$build" -G Ninja -DSKIMVUE_WINDOWS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" \
  -DCMAKE_CXX_FLAGS="$flags -Wno-maybe-uninitialized" \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
# Every native program that carries tests: the native label spans several.
cmake --build "$build" -- -j"$(nproc)"

rm -f "$build/ctest-results.xml"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
cd "$build" && ctest -L native -j"$(nproc)" --output-on-failure --timeout 600 \
  --output-junit ctest-results.xml
