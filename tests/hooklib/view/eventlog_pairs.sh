#!/usr/bin/env bash
# Runs a test program and checks, test by test, that the error entries Wine printed for the event
# log are exactly the ones the test announced with "expect-log: TEXT", in the same order.
# gtest flushes its output at the start and end of every test, so each entry falls between the
# RUN and OK lines of the test that wrote it. Usage: eventlog_pairs.sh EMULATOR... TEST_EXE
set -u
out=$("$@" 2>&1)
rc=$?
[ "$rc" -eq 77 ] && exit 77
[ "$rc" -eq 0 ] || { echo "$out" | tail -40; echo "FAIL: test program exited with $rc"; exit 1; }

echo "$out" | awk '
  { sub(/\r$/, "") }
  /^\[ RUN      \] / { test = $4; ne = 0; ng = 0; tests++; next }
  /^expect-log: / { sub(/^expect-log: /, ""); expected[ne++] = $0; next }
  /err:eventlog:ReportEventW L"/ {
    sub(/.*err:eventlog:ReportEventW L"/, ""); sub(/"$/, "")
    if (test == "") { print "FAIL: entry outside any test: " $0; bad = 1; next }
    got[ng++] = $0; next
  }
  /^\[ +(OK|FAILED) +\] / {
    for (i = 0; i < ne || i < ng; i++) {
      if (i >= ne || i >= ng || expected[i] != got[i]) {
        printf "FAIL: %s entry %d: expected \"%s\", logged \"%s\"\n", test, i + 1,
               (i < ne ? expected[i] : "(none)"), (i < ng ? got[i] : "(none)")
        bad = 1
        break
      }
    }
    checked += ne; test = ""; next
  }
  END {
    if (tests == 0) { print "FAIL: no tests ran"; bad = 1 }
    if (!bad) printf "event log: %d tests, %d announced entries, all as expected\n", tests, checked
    exit bad
  }'
