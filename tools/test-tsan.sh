#!/usr/bin/env bash
# Builds the platform-free test program once more with ThreadSanitizer (a native build of its
# own, no Windows builds) and runs the suites in it that share state across threads: the Migemo
# adapter's, whose searches run on several threads while another drops and recreates the
# process's adapter. The Windows worker threads (support/WorkerThread.cpp) run only under Wine,
# where ThreadSanitizer does not. A report ends the run with the race in the test's output.
# Usage: test-tsan.sh [BUILD_DIR]   (default: build/tsan; also `ctest -L tsan` in build/)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/tsan}
# The suites to run: every test whose name starts so.
suites='^(MigemoTest|MigemoDictionaryTest)\.'

# -O1 -g1 as in test-sanitizers.sh; the same libstdc++ warning is off for the same reason.
flags="-fsanitize=thread -fno-omit-frame-pointer"
cmake -S "$here" -B "$build" -G Ninja -DSKIMVUE_WINDOWS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" \
  -DCMAKE_CXX_FLAGS="$flags -Wno-maybe-uninitialized" \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
cmake --build "$build" --target skimvue_portable_tests -- -j"$(nproc)"

rm -f "$build/ctest-results.xml"
# halt_on_error: the first race fails its test instead of scrolling by in a passing one.
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
cd "$build" && ctest -L native -R "$suites" --output-on-failure --timeout 600 \
  --output-junit ctest-results.xml
