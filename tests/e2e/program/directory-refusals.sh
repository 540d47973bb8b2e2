#!/usr/bin/env bash
# The Directory page refuses a bare drive (38) and a folder of the maker's authoring products
# (43), keeps the page after each, and the chooser (template 409 on the old-style file
# dialog) opens directories by double-click, changes drives, and returns its choice on OK.
source "$(dirname "$0")/../program-lib.sh"
reset_state
mkdir -p "$drive_c/bvtest/Studio/Projects"
echo "marker" > "$drive_c/bvtest/Studio/tnfsa.bin"
start_installer
drive refusals <<'SCRIPT' || fail "the Directory page did not refuse as expected"
timeout 10000
wait_window InstClass "Brisvane! Install program"
wait_control 100
click 1
wait_control 102
type 101 C:
click 1
box * 1 "Invalid directory!"
wait_control 102
expect_parent_text 800 "Brisvane! Install program - Directory"
type 101 C:\bvtest\Studio
click 1
box * 1 "You cannot install Brisvane! and Tinker & Forge or Mediaweave Express in the same directory."
wait_control 102
expect_text 101 C:\bvtest\Studio
# The chooser: open Projects below Studio, go up again, and take Studio.
click 102
wait_window #32770 "Please select a directory"
# The refused check left its trailing backslash on the directory the chooser starts from.
expect_text 101 C:\bvtest\Studio\
list_open 1121 [projects]
expect_text 101 C:\bvtest\Studio\Projects
sleep 200
snap program-chooser
list_open 1121 [..]
expect_text 101 C:\bvtest\Studio
list_pick 1121 [projects]
sleep 100
expect_text 101 C:\bvtest\Studio
click 1
wait_no_window #32770 "Please select a directory"
wait_window InstClass "Brisvane! Install program"
expect_text 101 C:\bvtest\Studio
# Cancel leaves the entry alone; typing into the chooser's field is taken as it stands.
click 102
wait_window #32770 "Please select a directory"
combo_pick 1137 [-z-]
# The old-style dialog under Wine makes the drive current in lower case.
expect_text 101 z:\
click 2
wait_no_window #32770 "Please select a directory"
wait_window InstClass "Brisvane! Install program"
expect_text 101 C:\bvtest\Studio
click 102
wait_window #32770 "Please select a directory"
type 101 "C:\bvtest\Typed in\Brisvane"
click 1
wait_no_window #32770 "Please select a directory"
wait_window InstClass "Brisvane! Install program"
expect_text 101 "C:\bvtest\Typed in\Brisvane"
click 2
SCRIPT
expect_exit 0
expect_nothing_installed "$drive_c/bvtest/Typed in"
expect_no_temp_files
finish
