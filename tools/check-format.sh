#!/usr/bin/env bash
# CI's format check: every tracked .cpp and .h file must be as clang-format (.clang-format)
# leaves it. Files that .clang-format-ignore names are left out (clang-format reads that file
# itself only from version 18 on). Fails with clang-format's own report of each difference;
# tools/format.sh FILE... fixes them.
set -euo pipefail
cd "$(dirname "$0")/.."

ignored=()
if [ -f .clang-format-ignore ]; then
  while IFS= read -r pattern; do
    case "$pattern" in '' | '#'*) continue ;; esac
    ignored+=("$pattern")
  done < .clang-format-ignore
fi

files=()
while IFS= read -r f; do
  for pattern in "${ignored[@]}"; do
    # shellcheck disable=SC2053 # the pattern is a glob on purpose
    [[ "$f" == $pattern ]] && continue 2
  done
  files+=("$f")
done < <(git ls-files '*.cpp' '*.h')

clang-format --dry-run --Werror "${files[@]}"
echo "check-format: ${#files[@]} files clean"
