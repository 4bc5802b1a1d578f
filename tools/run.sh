#!/usr/bin/env bash
# Sets up the machine, builds Skimvue for Windows (x64 and x86) and says where it is.
# The tray launcher that starts Skimvue under Wine is not built yet; until it is, this builds
# the hook libraries and prints their paths and version.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${SKIMVUE_BUILD_DIR:-$here/build}

if [ "$(id -u)" -eq 0 ]; then
  bash "$here/tools/setup.sh"
else
  sudo bash "$here/tools/setup.sh"
fi
cmake -S "$here" -B "$build" -G Ninja -DSKIMVUE_WINDOWS=ON >/dev/null
cmake --build "$build" -- -j"$(nproc)" >/dev/null

echo "Skimvue hook libraries:"
echo "  x64: $build/win64/bin/Skimvue64.dll"
echo "  x86: $build/win32/bin/Skimvue.dll"
echo "The tray launcher (Skimvue64.exe) that starts hooking is not part of this build yet."
