#!/usr/bin/env bash
# A second start while the installer runs ends at once with 0 and brings the first one back
# (here: restores it from the task bar).
source "$(dirname "$0")/../program-lib.sh"
reset_state
start_installer
drive minimise <<'SCRIPT' || abort "the first instance did not start"
timeout 10000
wait_window InstClass "Brisvane! Install program"
wait_control 100
post 0x0112 0xF020
expect_iconic 1
SCRIPT
start=$(date +%s%3N)
timeout 30 wine "$installer" </dev/null >"$logs/$test_name.second.log" 2>&1
rc=$?
[ "$rc" -eq 0 ] || fail "the second instance ended with $rc"
say "the second instance ended after $(( $(date +%s%3N) - start )) ms"
drive restored <<'SCRIPT' || fail "the first instance was not brought back"
wait_window InstClass "Brisvane! Install program"
expect_iconic 0
wait_control 100
click 2
SCRIPT
expect_exit 0
expect_no_temp_files
finish
