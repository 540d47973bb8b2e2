#!/usr/bin/env bash
# The whole wizard with both browsers into a new directory, then "Return to Windows": every
# file of the package in its place with its bytes, the plug-in in both Plugins folders, the
# settings and uninstall records, both shortcuts, and no temporary logo file left.
source "$(dirname "$0")/../program-lib.sh"
reset_state
TARGET='C:\bvtest\happy path\Brisvane'
start_installer
install_into "$TARGET" program || abort "the wizard did not go as expected"
drive leave <<'SCRIPT'
wait_window InstClass *
click 2
SCRIPT
expect_exit 0

target_dir=$(linux_path "$TARGET")
expect_package_installed "$target_dir"
expect_reg "$SETTINGS_KEY" CurDir "$TARGET"
expect_reg "$SETTINGS_KEY" bsr1 "$NAV_DIR\\Plugins"
expect_reg "$SETTINGS_KEY" bsr2 "$IE_DIR\\Plugins"
expect_reg "$UNINSTALL_KEY" DisplayName "Brisvane!"
expect_reg "$UNINSTALL_KEY" UninstallString "$TARGET\\NpU32.exe"
for link in "Uninstall Brisvane!.lnk" "Read me.lnk"; do
    [ -s "$programs_dir/Brisvane!/$link" ] || fail "no shortcut $link (in $(ls "$programs_dir" | tr '\n' ' '))"
done
expect_no_temp_files
finish
