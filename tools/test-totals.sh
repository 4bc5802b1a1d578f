#!/usr/bin/env bash
# Prints the test counts of each build. Native cases are ctest tests; a Windows test program is
# one ctest test whose cases come from the GoogleTest report it wrote; a script check counts as
# one case. Usage: test-totals.sh BUILD_DIR
set -uo pipefail
build=$1
junit="$build/ctest-results.xml"

# name and status of every ctest test, one "name status" per line
ctest_tests() {
  grep -o '<testcase name="[^"]*"[^>]*status="[a-z]*"' "$junit" 2>/dev/null |
    sed -E 's/<testcase name="([^"]*)".*status="([a-z]*)"/\1 \2/'
}

total_pass=0 total_fail=0 total_skip=0
for build_name in native win64 win32; do
  pass=0 fail=0 skip=0 programs_skipped=0
  while read -r name status; do
    case "$name" in
      wine.*) continue ;;
      win64.* | win32.*) [ "${name%%.*}" = "$build_name" ] || continue ;;
      *) [ "$build_name" = native ] || continue ;;
    esac
    xml="$build/$build_name/test-results/${name#*.}.xml"
    if [ "$build_name" != native ] && [ -f "$xml" ]; then
      cases=$(grep -o '<testcase ' "$xml" | wc -l)
      failed=$(grep -o '<testcase [^>]*>[[:space:]]*<failure' "$xml" | wc -l)
      skipped=$(grep -o 'result="skipped"' "$xml" | wc -l)
      [ "$status" = fail ] && [ "$failed" -eq 0 ] && failed=1
      pass=$((pass + cases - failed - skipped)) fail=$((fail + failed)) skip=$((skip + skipped))
      continue
    fi
    case "$status" in
      run) pass=$((pass + 1)) ;;
      notrun) skip=$((skip + 1)) programs_skipped=$((programs_skipped + 1)) ;;
      *) fail=$((fail + 1)) ;;
    esac
  done < <(ctest_tests)
  note=""
  [ "$programs_skipped" -gt 0 ] && note="   ($programs_skipped test programs skipped: this machine cannot run them)"
  echo "$build_name: $pass passed, $fail failed, $skip skipped$note"
  total_pass=$((total_pass + pass)) total_fail=$((total_fail + fail)) total_skip=$((total_skip + skip))
done
echo "total: $total_pass passed, $total_fail failed, $total_skip skipped"
[ "$total_fail" -eq 0 ] && [ "$total_pass" -gt 0 ]
