#!/usr/bin/env bash
# The Web browser(s) page: a missing executable is asked about and No stays; a 16-bit or
# too short executable is refused (68); a missing Plugins folder is refused (71, 77);
# unchecking both browsers disables Next; Browse opens the file dialog and Cancel changes
# nothing. The browsers are changed behind the running page, between the driver's steps.
source "$(dirname "$0")/../program-lib.sh"
reset_state
TARGET='C:\bvtest\browsers\Brisvane'
start_installer
drive reach <<SCRIPT || abort "the Web browser(s) page did not come"
timeout 10000
$(steps_to_browsers_page "$TARGET")
click 102
wait_window #32770 *
sleep 300
snap program-browse
SCRIPT
drive browse-cancel <<SCRIPT || fail "Browse did not leave the directory alone"
wait_window #32770 *
click 2
wait_window InstClass "Brisvane! Install program"
expect_text 101 "$NAV_DIR_SHOWN"
SCRIPT

# refuse LABEL BUTTON TEXT: Next, the box with TEXT answered with BUTTON, the page stays.
refuse() {
    drive "$1" <<SCRIPT || fail "$1: the page did not refuse"
wait_window InstClass "Brisvane! Install program"
click 1
box "Brisvane! Install program" $2 "$3"
wait_window InstClass "Brisvane! Install program"
wait_control 112
expect_parent_text 800 "Brisvane! Install program - Web browser(s)"
expect_text 101 "$NAV_DIR_SHOWN"
SCRIPT
}
rm -f "$nav_dir/netscape.exe"
refuse missing 7 "This program didn't find Netscape Navigator at the specified location. Do you want to continue?"
wine "$build/make_browser.exe" "$NAV_DIR\\netscape.exe" 16bit </dev/null >/dev/null 2>&1
refuse 16-bit 1 "The 32 bit version of Brisvane! doesn't work with a 16 bit Web browser."
wine "$build/make_browser.exe" "$NAV_DIR\\netscape.exe" short </dev/null >/dev/null 2>&1
refuse too-short 1 "The 32 bit version of Brisvane! doesn't work with a 16 bit Web browser."
wine "$build/make_browser.exe" "$NAV_DIR\\netscape.exe" pe32 4 5 </dev/null >/dev/null 2>&1
rmdir "$nav_dir/Plugins"
refuse no-nav-plugins 1 "Cannot find the Plugins directory in the directory of Netscape Navigator."
mkdir -p "$nav_dir/Plugins"
rmdir "$ie_dir/Plugins"
refuse no-ie-plugins 1 "Cannot find the Plugins directory in the directory of Microsoft Internet Explorer."
# Browse to an executable elsewhere: only its folder is kept, and Next then looks for the
# browser's own executable name there (not found: asked, No stays).
mkdir -p "$drive_c/bvtest/Elsewhere"
cp "$nav_dir/netscape.exe" "$drive_c/bvtest/Elsewhere/other.exe"
drive browse-elsewhere <<'SCRIPT' || fail "Browse did not take the chosen folder"
wait_window InstClass "Brisvane! Install program"
click 102
wait_window #32770 *
wait_control 1148
type 1148 C:\bvtest\Elsewhere\other.exe
# The dialog's own OK: another of its controls shares the Open button's id 1.
post 0x0111 1 0
wait_window InstClass "Brisvane! Install program"
expect_text 101 C:\bvtest\Elsewhere
click 1
box "Brisvane! Install program" 7 "This program didn't find Netscape Navigator at the specified location."
SCRIPT
drive unchecked <<'SCRIPT' || fail "the check boxes did not rule Next and Browse"
wait_window InstClass "Brisvane! Install program"
click 103
expect_enabled 102 0
expect_enabled 1 1
click 113
expect_enabled 112 0
expect_enabled 1 0
click 113
expect_enabled 112 1
expect_enabled 1 1
click 2
SCRIPT
expect_exit 0
expect_nothing_installed "$(linux_path "$TARGET")"
expect_no_temp_files
finish
