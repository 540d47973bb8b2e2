#!/usr/bin/env bash
# The whole wizard with both browsers into a new directory, then "Return to Windows": every
# file of the package in its place with its bytes, the plug-in in both Plugins folders, the
# settings and uninstall records, both shortcuts, and no temporary logo file left. A 32-bit
# program on 64-bit Windows writes all of it where its own view of the system leads.
# e2e: also in a 32-bit prefix
source "$(dirname "$0")/../program-lib.sh"
reset_state
TARGET='C:\bvtest\happy path\Brisvane'
start_installer
install_into "$TARGET" program || abort "the wizard did not go as expected"
leave_success_page
expect_exit 0

target_dir=$(linux_path "$TARGET")
expect_package_installed "$target_dir"
expect_install_records "$TARGET"
expect_nothing_in_the_64bit_view
expect_no_temp_files
finish
