#!/usr/bin/env bash
# An installer whose package has one byte changed says so and ends with -1 before any page
# and before any temporary file exists.
source "$(dirname "$0")/../program-lib.sh"
reset_state
damaged="$work/BrisvaneSetup-damaged.exe"
cp "$installer" "$damaged"
size=$(stat -c %s "$damaged")
last=$(od -An -tu1 -j $((size - 1)) -N1 "$damaged" | tr -d ' ')
printf "$(printf '\\%03o' $(( (last + 1) % 256 )))" | dd of="$damaged" bs=1 seek=$((size - 1)) conv=notrunc 2>/dev/null
cmp -s "$installer" "$damaged" && abort "the copy was not changed"
start_installer "$damaged"
drive refuse <<'SCRIPT' || fail "the damaged installer did not say so"
timeout 10000
wait_window #32770 *
wait_window InstClass "Brisvane! Install program"
expect_no_control 800
expect_no_control 1
sleep 200
snap program-damaged
box * 1 "This program file contains invalid data."
SCRIPT
expect_exit 255
expect_no_temp_files
expect_nothing_installed "$drive_c/bvtest"
finish
