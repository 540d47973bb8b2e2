#!/usr/bin/env bash
# Quit on each wizard page, and the backdrop's close command, end the program with 0 before
# anything is installed and leave no temporary file behind, nor the empty folders the
# Directory page made.
source "$(dirname "$0")/../program-lib.sh"
reset_state
TARGET='C:\bvtest\quit\Brisvane'
# How to reach each page from the Welcome page, and how to leave it.
cases=(
    "welcome|wait_control 100|click 2"
    "directory|click 1
wait_control 102
type 101 $TARGET|click 2"
    "browsers|click 1
wait_control 102
type 101 $TARGET
click 1
box \"Brisvane! Install program\" 6 \"does not exist\"
wait_control 112|click 2"
    "close-on-directory|click 1
wait_control 102|post 0x0112 0xF060"
)
for c in "${cases[@]}"; do
    IFS='|' read -r -d '' name reach leave <<<"$c" || true
    start_installer
    drive "$name" <<SCRIPT || fail "$name: the driver failed"
timeout 10000
wait_window InstClass "Brisvane! Install program"
wait_control 100
$reach
sleep 100
$leave
SCRIPT
    expect_exit 0
    say "$name: ended"
    expect_nothing_installed "$(linux_path "$TARGET")"
    # Made by the Directory page for the browsers case, and empty: gone with the program.
    expect_no_file "$drive_c/bvtest/quit"
    expect_no_temp_files
done
# A folder the user fills before quitting is the user's: it stays.
start_installer
drive keep-filled <<SCRIPT || fail "keep-filled: the driver failed"
timeout 10000
wait_window InstClass "Brisvane! Install program"
wait_control 100
click 1
wait_control 102
type 101 $TARGET
click 1
box "Brisvane! Install program" 6 "does not exist"
wait_control 112
SCRIPT
echo "the user's own" > "$(linux_path "$TARGET")/notes.txt"
drive keep-filled-quit <<'SCRIPT' || fail "keep-filled: Quit failed"
wait_window InstClass "Brisvane! Install program"
click 2
SCRIPT
expect_exit 0
[ -f "$(linux_path "$TARGET")/notes.txt" ] || fail "the folder holding the user's file was removed"
finish
