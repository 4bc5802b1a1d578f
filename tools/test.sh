#!/usr/bin/env bash
# Sets up the machine, checks the sources' format, builds all three builds and runs every test
# suite (native directly, win64 and win32 under Wine, the tests that share state across threads
# under ThreadSanitizer in BUILD/tsan), runs clang-tidy over the sources, runs the native suite
# once more under the address and undefined-behaviour sanitizers (a build of its own in
# BUILD/asan), then prints the totals of each build. Any finding fails the run.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${SKIMVUE_BUILD_DIR:-$here/build}

if [ "$(id -u)" -eq 0 ]; then
  bash "$here/tools/setup.sh"
else
  sudo bash "$here/tools/setup.sh"
fi

rc=0
start=$(date +%s)
bash "$here/tools/check-format.sh" || rc=$?
formatted=$(date +%s)
cmake -S "$here" -B "$build" -G Ninja -DSKIMVUE_WINDOWS=ON >/dev/null
cmake --build "$build" -- -j"$(nproc)"
built=$(date +%s)

rm -rf "$build"/win64/test-results "$build"/win32/test-results "$build/ctest-results.xml"
(cd "$build" && ctest --output-on-failure --timeout 900 --output-junit ctest-results.xml) || rc=$?
done_at=$(date +%s)

bash "$here/tools/check-tidy.sh" --build "$build" || rc=$?
tidied=$(date +%s)

bash "$here/tools/test-sanitizers.sh" "$build/asan" || rc=$?
sanitized=$(date +%s)

echo
echo "format check: $((formatted - start)) s, build: $((built - formatted)) s," \
  "tests (ThreadSanitizer's included): $((done_at - built)) s, tidy: $((tidied - done_at)) s," \
  "sanitizer build and tests: $((sanitized - tidied)) s"
bash "$here/tools/test-totals.sh" "$build" || rc=1
exit "$rc"
