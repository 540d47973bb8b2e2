#!/usr/bin/env bash
# A target directory without room below it for the files is refused on the Directory page
# with a message of its own before anything is created: an entry longer than the edit field
# can hand over (300 characters), one that fills a whole path buffer (259), and one a few
# characters too long for the package's longest name. The page stays and takes a sound entry.
source "$(dirname "$0")/../program-lib.sh"
reset_state
# C:\bvtest\long\ followed by d's up to the given length.
long_path() { local p='C:\bvtest\long\'; while [ ${#p} -lt "$1" ]; do p+=d; done; echo "$p"; }
start_installer
drive refusals <<SCRIPT || fail "the Directory page did not refuse the long entries"
timeout 10000
wait_window InstClass "Brisvane! Install program"
wait_control 100
click 1
wait_control 102
type 101 "$(long_path 300)"
click 1
sleep 300
snap program-directory-too-long
box * 1 "The directory name is too long. Please enter a shorter location."
wait_control 102
expect_parent_text 800 "Brisvane! Install program - Directory"
type 101 "$(long_path 259)"
click 1
box * 1 "The directory name is too long."
type 101 "$(long_path 250)"
click 1
box * 1 "The directory name is too long."
type 101 C:\bvtest\long\Brisvane
click 1
box "Brisvane! Install program" 6 "does not exist"
wait_control 112
expect_parent_text 800 "Brisvane! Install program - Web browser(s)"
click 2
SCRIPT
expect_exit 0
# Nothing of the refused entries was made, and the sound one went again at Quit.
expect_no_file "$drive_c/bvtest/long"
expect_no_temp_files
finish
