#!/usr/bin/env bash
# Formats C++ sources with the repository's .clang-format: the files named, or every tracked
# .cpp and .h file. Resource scripts (.rc) are laid out by hand and always left alone:
# clang-format takes them for C++ and runs their statements together into one block.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$#" -eq 0 ]; then
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
  files=()
  for f in "$@"; do
    case "$f" in
      *.cpp | *.h) files+=("$f") ;;
      *) echo "format: not a C++ source, left alone: $f" >&2 ;;
    esac
  done
fi
[ "${#files[@]}" -eq 0 ] || clang-format -i "${files[@]}"
