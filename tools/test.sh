#!/usr/bin/env bash
# Sets up the machine, builds all three builds and runs every test suite (native directly,
# win64 and win32 under Wine), runs the native suite once more under the sanitizers (a build
# of its own in BUILD/asan), then prints the totals of each build.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${SKIMVUE_BUILD_DIR:-$here/build}

if [ "$(id -u)" -eq 0 ]; then
  bash "$here/tools/setup.sh"
else
  sudo bash "$here/tools/setup.sh"
fi

start=$(date +%s)
cmake -S "$here" -B "$build" -G Ninja -DSKIMVUE_WINDOWS=ON >/dev/null
cmake --build "$build" -- -j"$(nproc)"
built=$(date +%s)

rm -rf "$build"/win64/test-results "$build"/win32/test-results "$build/ctest-results.xml"
rc=0
(cd "$build" && ctest --output-on-failure --timeout 900 --output-junit ctest-results.xml) || rc=$?
done_at=$(date +%s)

bash "$here/tools/test-sanitizers.sh" "$build/asan" || rc=$?
sanitized=$(date +%s)

echo
echo "build: $((built - start)) s, tests: $((done_at - built)) s," \
  "sanitizer build and tests: $((sanitized - done_at)) s"
bash "$here/tools/test-totals.sh" "$build" || rc=1
exit "$rc"
