#!/usr/bin/env bash
# Quit on each wizard page, and the backdrop's close command, end the program with 0 before
# anything is installed and leave no temporary file behind.
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
    expect_no_temp_files
done
finish
