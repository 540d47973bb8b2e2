#!/usr/bin/env bash
# Cancel during the copy: No lets the install go on to the success page; Yes stops it, ends on
# the failure page and leaves nothing of this run (files, plug-ins, shared files, records,
# shortcuts, the temporary logo, the folders the Directory page made). The installer is the
# slow one (need_slow_installer), so that the Cancel that the driver clicks as soon as the
# progress page shows is taken between two entries.
# e2e: also in a 32-bit prefix
source "$(dirname "$0")/../program-lib.sh"
reset_state
need_slow_installer
TARGET='C:\bvtest\cancel\Brisvane'

# cancel_run ANSWER END_STEP_TEXT: through the wizard, Cancel on the progress page, the halt
# question answered with ANSWER (6 Yes, 7 No), then the end page with END_STEP_TEXT.
cancel_run() {
    drive "cancel-$1" <<SCRIPT
timeout 20000
$(steps_to_browsers_page "$TARGET")
click 1
expect_parent_text 800 "Brisvane! Install program - File Transfer"
click 2
wait_window #32770 Install
sleep 200
$3
box Install $1
wait_window InstClass "Brisvane! Install program"
expect_parent_text 800 "Brisvane! Install program - End"
expect_text 101 "$2"
sleep 200
$4
click 2
SCRIPT
}

start_installer "$slow"
cancel_run 7 "Brisvane! has been successfully installed. If your Web browser is running, you must restart it for Brisvane! to be available." \
    "snap program-progress-halt" "" || fail "No did not let the install go on"
expect_exit 0
[ -f "$(linux_path "$TARGET")/filler10.bin" ] || fail "the install did not reach its last entries after No"
expect_same_file "$package_files/readme.txt" "$(linux_path "$TARGET")/readme.txt"
expect_no_temp_files

reset_state
start_installer "$slow"
cancel_run 6 "Brisvane! has not been totally installed. You will have to run this utility again to completely install Brisvane!." \
    "" "snap program-failure" || fail "Yes did not stop the install"
expect_exit 0
expect_nothing_installed "$(linux_path "$TARGET")"
# The Directory page made C:\bvtest\cancel\Brisvane for this run; emptied by the stop, it goes.
expect_no_file "$drive_c/bvtest/cancel"
expect_no_temp_files
finish
