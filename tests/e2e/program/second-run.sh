#!/usr/bin/env bash
# A second run proposes the directory of the first install, and finds a browser that the
# platform no longer names from the settings the first install wrote (its plug-in folder,
# shown as the browser's own folder).
source "$(dirname "$0")/../program-lib.sh"
reset_state
TARGET='C:\bvtest\second run\Brisvane'
start_installer
install_into "$TARGET" || abort "the first install did not go as expected"
leave_success_page
expect_exit 0

# Netscape Navigator's registration is gone: only the settings remember where it was.
reg_delete "$APP_PATHS\\netscape.exe"
start_installer
drive again <<SCRIPT || fail "the second run did not show what the first left"
timeout 10000
$(steps_to_installed_browsers_page "$TARGET")
expect_text 101 "$NAV_DIR_SHOWN"
expect_text 111 "$IE_DIR"
click 2
SCRIPT
expect_exit 0
finish
