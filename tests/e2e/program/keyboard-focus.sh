#!/usr/bin/env bash
# The keyboard focus comes back to the page after a message box and after the folder chooser
# (not to the backdrop, where Tab and Enter reach nothing): to the control that had it, so
# that Tab moves on from there and Enter works the page at once.
source "$(dirname "$0")/../program-lib.sh"
reset_state
start_installer
drive focus <<'SCRIPT' || fail "the focus did not come back to the page"
timeout 10000
wait_window InstClass "Brisvane! Install program"
wait_control 100
click 1
wait_control 102
expect_focus 1
type 101 C:
click 1
box * 1 "Invalid directory!"
expect_focus 1
key TAB
expect_focus 2
key TAB
expect_focus 98
# The chooser, closed with Cancel: the focus is back on Browse, which the click gave it.
click 102
wait_window #32770 "Please select a directory"
click 2
wait_no_window #32770 "Please select a directory"
wait_window InstClass "Brisvane! Install program"
expect_focus 102
sleep 200
snap program-focus-after-chooser
key TAB
expect_focus 101
# Enter in the field is Next, the page's default button.
type 101 C:\bvtest\focus\Brisvane
key RETURN
box "Brisvane! Install program" 7 "does not exist"
expect_focus 101
# Back, then Enter on the Welcome page's Next.
click 98
wait_control 100
expect_focus 1
key RETURN
wait_control 102
click 2
SCRIPT
expect_exit 0
expect_nothing_installed "$(linux_path 'C:\bvtest\focus\Brisvane')"
expect_no_file "$drive_c/bvtest/focus"
finish
