#!/usr/bin/env bash
# Event-log entries as Wine reports them: Wine prints each entry's text on its eventlog debug
# channel (errors always, information entries with +eventlog), and the source name with the
# RegisterEventSourceW call. Wine cuts a traced text at about 300 characters, so the whole
# text checked here is a little shorter than that. Usage: eventlog_check.sh EMULATOR... PROBE_EXE
set -u
probe=${!#}
emulator=("${@:1:$#-1}")
long=$(printf 'x%.0s' $(seq 1 240))
text="failed: m_pfv->SelectItem ${long} end"

out=$(WINEDEBUG=+eventlog "${emulator[@]}" "$probe" eventlog "$text" 2>&1)
rc=$?
[ "$rc" -eq 77 ] && exit 77
fail() { echo "FAIL: $1"; echo "--- output ---"; echo "$out" | grep -i eventlog | cut -c1-300; exit 1; }

[ "$rc" -eq 0 ] || fail "probe exited with $rc"
echo "$out" | grep -q 'error=1 info=1' || fail "a report did not succeed"
echo "$out" | grep -q 'RegisterEventSourceW.*L"skimvue_probe"' || fail "source is not the module's file name"
errors=$(echo "$out" | grep -c "err:eventlog:ReportEventW.*L\"${text}\"")
[ "$errors" -eq 1 ] || fail "expected one whole error entry, found $errors"
infos=$(echo "$out" | grep -c "trace:eventlog:ReportEventW.*L\"${text}\"")
[ "$infos" -eq 1 ] || fail "expected one whole information entry, found $infos"
opened=$(echo "$out" | grep -c "RegisterEventSourceW")
closed=$(echo "$out" | grep -c "DeregisterEventSource")
[ "$opened" -eq 2 ] && [ "$closed" -eq 2 ] || fail "each report must open and close its own source ($opened/$closed)"
echo "eventlog: source, error entry and information entry as expected"
