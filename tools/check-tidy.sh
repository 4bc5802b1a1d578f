#!/usr/bin/env bash
# CI's clang-tidy check (.clang-tidy): each source of the hook library and the launcher once,
# with the compile commands of the build that compiles it: the platform-free sources from the
# native build, the Windows sources from the win64 build (parsed for mingw-w64's target with
# its g++'s own C++ headers). The headers they include are checked with them. Fails on any
# finding. With --all, the tests and benchmarks too (slower; not part of CI); with files named,
# those alone.
# Usage: check-tidy.sh [--all] [--build DIR] [FILE.cpp...]
#   DIR: the native build, configured (default: build; its win64 sub-build configured too)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
scope=(hooklib launcher)
build=$here/build
while [ "$#" -gt 0 ]; do
  case "$1" in
    --all) scope=(hooklib launcher tests bench tools) ;;
    --build) build=$2; shift ;;
    *) break ;;
  esac
  shift
done
build=$(cd "$build" && pwd)
for db in "$build" "$build/win64"; do
  [ -f "$db/compile_commands.json" ] || {
    echo "check-tidy: no $db/compile_commands.json (configure and build first)" >&2
    exit 2
  }
done

# The sources each database compiles, a file listed once (a source built into two programs
# appears twice).
listed() { grep -o '"file": "[^"]*"' "$1/compile_commands.json" | cut -d'"' -f4 | sort -u; }
cd "$here"
if [ "$#" -gt 0 ]; then
  mapfile -t tracked < <(for f in "$@"; do realpath "$f"; done | sort -u)
else
  mapfile -t tracked < <(git ls-files "${scope[@]/%//*.cpp}" | sed "s|^|$here/|" | sort -u)
fi
native=$(comm -12 <(printf '%s\n' "${tracked[@]}") <(listed "$build"))
windows=$(comm -23 <(comm -12 <(printf '%s\n' "${tracked[@]}") <(listed "$build/win64")) \
  <(printf '%s\n' "$native"))

# clang finds mingw-w64's headers for the target, but not g++'s libstdc++: take its search path.
compiler=$(grep -m1 -o '"command": "[^ "]*' "$build/win64/compile_commands.json" | cut -d'"' -f4)
target_args=(--extra-arg=--target=x86_64-w64-mingw32 --extra-arg=-nostdinc++)
while read -r dir; do
  target_args+=("--extra-arg=-isystem$dir")
done < <("$compiler" -E -v -x c++ /dev/null 2>&1 | sed -n '/search starts here/,/End of search/p' |
  grep '/c++' | sed 's/^ *//')

jobs=$(nproc)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
start=$(date +%s)
rc=0
printf '%s\n' "$native" | grep . |
  xargs -P"$jobs" -n2 clang-tidy --quiet -p "$build" >>"$log" 2>/dev/null || rc=1
printf '%s\n' "$windows" | grep . |
  xargs -P"$jobs" -n2 clang-tidy --quiet -p "$build/win64" "${target_args[@]}" \
    >>"$log" 2>/dev/null || rc=1
# A header included by several sources is reported once per source: each finding once.
grep -E '^[^ ].*: (warning|error): ' "$log" | sort -u || true
count=$(printf '%s\n' "$native" "$windows" | grep -c .)
echo "check-tidy: $count sources in $(($(date +%s) - start)) s"
exit "$rc"
