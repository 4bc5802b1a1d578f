#!/usr/bin/env bash
# Prints the test counts of each build. Native cases are ctest tests; a Windows test program is
# one ctest test whose cases come from the GoogleTest report it wrote; a script check counts as
# one case. The sanitizer build (BUILD_DIR/asan, native cases only) is counted on its own line;
# a run without it says so. Usage: test-totals.sh BUILD_DIR
set -uo pipefail
build=$1

# name and status of every ctest test of a junit report, one "name status" per line
ctest_tests() {
  grep -o '<testcase name="[^"]*"[^>]*status="[a-z]*"' "$1" 2>/dev/null |
    sed -E 's/<testcase name="([^"]*)".*status="([a-z]*)"/\1 \2/'
}

total_pass=0 total_fail=0 total_skip=0
# count_build LABEL BUILD_NAME BUILD_DIR: the cases of one build in that directory's report
count_build() {
  local label=$1 build_name=$2 dir=$3
  local pass=0 fail=0 skip=0 programs_skipped=0 line name status xml cases failed skipped
  # A status is one word; a name may hold spaces (a value-parameterised case ends in
  # "  # GetParam() = ...").
  while read -r line; do
    name=${line% *} status=${line##* }
    case "$name" in
      wine.*) continue ;;
      win64.* | win32.*) [ "${name%%.*}" = "$build_name" ] || continue ;;
      *) [ "$build_name" = native ] || continue ;;
    esac
    xml="$dir/$build_name/test-results/${name#*.}.xml"
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
  done < <(ctest_tests "$dir/ctest-results.xml")
  local note=""
  [ "$programs_skipped" -gt 0 ] && note="   ($programs_skipped test programs skipped: this machine cannot run them)"
  echo "$label: $pass passed, $fail failed, $skip skipped$note"
  total_pass=$((total_pass + pass)) total_fail=$((total_fail + fail)) total_skip=$((total_skip + skip))
}

for build_name in native win64 win32; do
  count_build "$build_name" "$build_name" "$build"
done
if [ -f "$build/asan/ctest-results.xml" ]; then
  count_build "native, sanitizers" native "$build/asan"
else
  echo "native, sanitizers: not run"
fi
echo "total: $total_pass passed, $total_fail failed, $total_skip skipped"
[ "$total_fail" -eq 0 ] && [ "$total_pass" -gt 0 ]
