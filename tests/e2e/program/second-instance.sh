#!/usr/bin/env bash
# A second start while the installer runs ends at once with 0 and brings the first one back,
# whole: minimised from the task bar (the backdrop's own system command), and minimised from
# the logo panel's system menu, which takes the panel down with the program; the panel, and
# the page on it, come back too and can be worked. While the uninstaller runs, the installer
# does not start: silently it ends with 11, interactively it says why.
source "$(dirname "$0")/../program-lib.sh"
reset_state

# second_start: the second instance, which must end with 0 at once.
second_start() {
    local start; start=$(date +%s%3N)
    timeout 30 wine "$installer" </dev/null >"$logs/$test_name.second.log" 2>&1
    local rc=$?
    [ "$rc" -eq 0 ] || fail "the second instance ended with $rc"
    say "the second instance ended after $(( $(date +%s%3N) - start )) ms"
}

start_installer
drive minimise <<'SCRIPT' || abort "the first instance did not start"
timeout 10000
wait_window InstClass "Brisvane! Install program"
wait_control 100
post 0x0112 0xF020
expect_iconic 1
SCRIPT
second_start
drive restored <<'SCRIPT' || fail "the first instance was not brought back"
wait_window InstClass "Brisvane! Install program"
expect_iconic 0
wait_control 100
expect_iconic 0 100 2
SCRIPT

# From the panel's system menu (the panel is the page's parent: control 100's second).
drive panel-minimise <<'SCRIPT' || abort "the panel's Minimize did not minimise the program"
timeout 10000
wait_window InstClass "Brisvane! Install program"
click 1
wait_control 102
post_up 102 2 0x0112 0xF020
expect_iconic 1
expect_iconic 1 102 2
SCRIPT
second_start
drive panel-restored <<'SCRIPT' || fail "the wizard did not come back whole"
timeout 10000
wait_window InstClass "Brisvane! Install program"
expect_iconic 0
expect_iconic 0 102 2
expect_parent_text 800 "Brisvane! Install program - Directory"
sleep 300
snap program-second-instance-restored
click 98
wait_control 100
click 2
SCRIPT
expect_exit 0
expect_no_temp_files

# One lock for the installer and the uninstaller: while the uninstaller waits at its question,
# a silent installer ends with 11 at once and an interactive one says why and ends.
TARGET='C:\bvtest\lock\Brisvane'
start_installer "" /S /D=$TARGET
expect_exit 0
wine "$(linux_path "$TARGET")/NpU32.exe" </dev/null >"$logs/$test_name.uninstaller.log" 2>&1 &
uninstaller=$!
drive uninstaller-asks <<'SCRIPT' || abort "the uninstaller did not ask"
timeout 30000
wait_window #32770 *
SCRIPT
timeout 30 wine "$installer" /S </dev/null >"$logs/$test_name.locked.log" 2>&1
rc=$?
[ "$rc" -eq 11 ] || fail "a silent installer beside the uninstaller ended with $rc, expected 11"
start_installer
drive installer-refuses <<'SCRIPT' || fail "the installer did not say that the uninstaller runs"
timeout 30000
box "Brisvane! Install program" 1 "Another setup or uninstall program of Brisvane! is running."
SCRIPT
expect_exit 0
drive uninstaller-no <<'SCRIPT' || fail "the uninstaller's question could not be answered"
timeout 10000
box * 7 "Do you want to remove Brisvane!"
SCRIPT
wait "$uninstaller"
rc=$?
[ "$rc" -eq 11 ] || fail "the uninstaller answered No ended with $rc, expected 11"
expect_package_installed "$(linux_path "$TARGET")"
finish
