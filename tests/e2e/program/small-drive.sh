#!/usr/bin/env bash
# Too little space on the target's drive: Abort stays on the page, Retry measures again (and
# goes on once there is room), Ignore goes on at once. The drive is a small memory file
# system mounted here and given to Wine as S:. Skipped (exit 77) where mounting is refused.
source "$(dirname "$0")/../program-lib.sh"
small="$work/small-drive"
mkdir -p "$small"
mountpoint -q "$small" && umount "$small"
if ! mount -t tmpfs -o size=256k tmpfs "$small" 2>/dev/null; then
    say "SKIPPED: cannot mount a small file system here (needs root)"
    exit 77
fi
cleanup_drive() { rm -f "$WINEPREFIX/dosdevices/s:"; umount "$small" 2>/dev/null; }
trap 'stop_children; cleanup_drive' EXIT
ln -sfn "$small" "$WINEPREFIX/dosdevices/s:"
reset_state
start_installer
# 256 KB free against 320 KB needed.
drive abort <<'SCRIPT' || abort "Abort did not keep the page"
timeout 10000
wait_window InstClass "Brisvane! Install program"
wait_control 100
click 1
wait_control 102
type 101 S:\Brisvane
click 1
wait_window #32770 "Brisvane! Install program"
sleep 200
snap program-small-drive
box "Brisvane! Install program" 3 "There is not enough disk space in the target directory. Do you want to try anyway?"
wait_window InstClass "Brisvane! Install program"
wait_control 102
expect_parent_text 800 "Brisvane! Install program - Directory"
click 1
box "Brisvane! Install program" 4 "There is not enough disk space"
box "Brisvane! Install program" 3 "There is not enough disk space"
wait_window InstClass "Brisvane! Install program"
wait_control 102
click 1
wait_window #32770 "Brisvane! Install program"
SCRIPT
# Room is made while the question is up: Retry goes on to the next question without asking again.
mount -o remount,size=2m "$small" || abort "cannot grow the small drive"
drive retry <<'SCRIPT' || fail "Retry did not measure again"
box "Brisvane! Install program" 4 "There is not enough disk space"
box "Brisvane! Install program" 7 "The directory S:\Brisvane does not exist."
wait_window InstClass "Brisvane! Install program"
wait_control 102
SCRIPT
mount -o remount,size=256k "$small" || abort "cannot shrink the small drive"
drive ignore <<'SCRIPT' || fail "Ignore did not go on"
wait_window InstClass "Brisvane! Install program"
click 1
box "Brisvane! Install program" 5 "There is not enough disk space"
box "Brisvane! Install program" 6 "The directory S:\Brisvane does not exist."
wait_window InstClass "Brisvane! Install program"
wait_control 112
expect_parent_text 800 "Brisvane! Install program - Web browser(s)"
SCRIPT
[ -d "$small/Brisvane" ] || fail "S:\\Brisvane was not created"
drive quit <<'SCRIPT' || fail "Quit on the browsers page failed"
wait_window InstClass "Brisvane! Install program"
click 2
SCRIPT
expect_exit 0
# Made by this run for an install that did not happen, and empty: gone again.
[ -d "$small/Brisvane" ] && fail "S:\\Brisvane, made by this run and empty, was left behind"
[ -z "$(find "$small" -type f)" ] || fail "files on the small drive: $(find "$small" -type f)"
expect_no_temp_files
finish
