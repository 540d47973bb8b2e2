#!/usr/bin/env bash
# An upgrade over an installed earlier version that is cancelled part-way, that fails part-way
# or at its commit, or whose process is killed part-way leaves the target folder, both Plugins folders and the
# system folder as they were, every file byte for byte. After the kill the next run completes
# the upgrade and leaves no temporary copy anywhere.
# e2e: also in a 32-bit prefix
source "$(dirname "$0")/../program-lib.sh"
reset_state
need_slow_installer
TARGET='C:\bvtest\upgrade\Brisvane'
target=$(linux_path "$TARGET")
FAILURE_TEXT="Brisvane! has not been totally installed. You will have to run this utility again to completely install Brisvane!."
SUCCESS_TEXT="Brisvane! has been successfully installed. If your Web browser is running, you must restart it for Brisvane! to be available."

# The earlier version: the demo package installed, then every installed file changed (a line
# added behind its data: the version resource stays, so the upgrade writes each file again;
# the stamped extension files then fail their test), plus a damaged extension file that the
# package does not bring and a file of the user's own.
start_installer
install_into "$TARGET" || abort "the first install did not go as expected"
leave_success_page
expect_exit 0
while read -r f; do printf 'version 1 of %s\r\n' "$(basename "$f")" >> "$f"; done < <(
    find "$target" "$nav_dir/Plugins" "$ie_dir/Plugins" -type f
    echo "$system_dir/bvrt32.dll"
    echo "$system_dir/bvsnd32.dll")
printf 'damaged extension file' > "$target/npclock.cox"
printf 'my own notes' > "$target/notes.txt"
before=$(disk_listing "$target")

# The driver's steps of an upgrade from the Welcome page to the progress page: the Directory
# page proposes the installed version's folder.
upgrade_steps() {
    cat <<SCRIPT
timeout 20000
$(steps_to_installed_browsers_page "$TARGET")
click 1
expect_parent_text 800 "Brisvane! Install program - File Transfer"
SCRIPT
}
# The new copies this run has written beside the old files so far (while the installer waits
# at a question, or after it was ended).
new_copies() {
    find "$target" "$nav_dir/Plugins" "$ie_dir/Plugins" "$system_dir" \( -iname '*.~ll' -o -iname '*.~xe' -o -name '*~' \) \
        -type f 2>/dev/null | LC_ALL=C sort
}
# Every copy that must be there part-way: the shared libraries, the plug-in module in both
# Plugins folders and the regular files before the fillers.
PART_WAY_COPIES=$(printf '%s\n' "$target/NpU32.~xe" "$target/bvdraw32.~ll" "$target/bvtext32.~ll" \
    "$target/modules/bvnet32.~ll" "$target/npanim.cox~" "$target/npsound.mox~" \
    "$ie_dir/Plugins/nptnf32.~ll" "$nav_dir/Plugins/nptnf32.~ll" \
    "$system_dir/bvrt32.~ll" "$system_dir/bvsnd32.~ll" | LC_ALL=C sort)
on_snap() { [ "$1" = program-upgrade-halt ] && new_copies > "$work/copies-at-halt"; }

# 1. Cancelled part-way: Cancel once the copy has reached the first filler (every earlier
# file's new copy is beside its old one); Yes at the halt question stops the run.
rm -f "$work/copies-at-halt"
start_installer "$slow"
drive cancel <<SCRIPT || fail "Cancel did not stop the upgrade"
$(upgrade_steps)
wait_file "$TARGET\\filler01.bin"
click 2
wait_window #32770 Install
sleep 200
snap program-upgrade-halt
box Install 6
wait_window InstClass "Brisvane! Install program"
expect_parent_text 800 "Brisvane! Install program - End"
expect_text 101 "$FAILURE_TEXT"
sleep 200
snap program-upgrade-cancelled
click 2
SCRIPT
expect_exit 0
[ "$(cat "$work/copies-at-halt" 2>/dev/null)" = "$PART_WAY_COPIES" ] ||
    fail "the Cancel did not come part-way: new copies were $(cat "$work/copies-at-halt" 2>/dev/null)"
expect_same_disk "$before" "$target" "a cancelled upgrade"

# 2. Failed part-way: the read-me's new copy cannot be written (folders hold all its temporary
# names), after every other file's new copy is; Cancel at the write-error prompt fails the run.
block_temporary_names "$target/readme.txt"
before_failure=$(disk_listing "$target")
start_installer
drive failure <<SCRIPT || fail "the write error did not fail the upgrade"
$(upgrade_steps)
box * 2 "readme.txt~@: write error!"
wait_window InstClass "Brisvane! Install program"
expect_parent_text 800 "Brisvane! Install program - End"
expect_text 101 "$FAILURE_TEXT"
sleep 200
snap program-upgrade-failed
click 2
SCRIPT
expect_exit 0
expect_same_disk "$before_failure" "$target" "a failed upgrade"
unblock_temporary_names "$target/readme.txt"

# 2b. Failed at the commit: every new copy is written, but the read-me, the last file, cannot
# take its final name (a folder of that name stands in the way). Cancel at the in-use prompt
# puts back every file already committed: the target, both Plugins folders and the system
# folder are as before, byte for byte, and no backup or temporary copy is left.
mv "$target/readme.txt" "$work/readme.txt"
mkdir "$target/readme.txt"
before_commit=$(disk_listing "$target")
start_installer
drive commit-failure <<SCRIPT || fail "the blocked commit did not fail the upgrade"
$(upgrade_steps)
box * 4 "readme.txt in use!"
box * 2 "readme.txt in use!"
wait_window InstClass "Brisvane! Install program"
expect_parent_text 800 "Brisvane! Install program - End"
expect_text 101 "$FAILURE_TEXT"
sleep 200
snap program-upgrade-commit-failed
click 2
SCRIPT
expect_exit 0
expect_same_disk "$before_commit" "$target" "an upgrade whose commit failed"
expect_no_replacement_copies "$target"
rmdir "$target/readme.txt"
mv "$work/readme.txt" "$target/readme.txt"

# 3. Killed part-way (as by a power cut): the driver ends the installer's process once the
# copy has reached the second filler. Every earlier file is still there, byte for byte, beside
# this run's new copies and new files.
start_installer "$slow"
drive kill <<SCRIPT || fail "the upgrade was not ended part-way"
$(upgrade_steps)
wait_file "$TARGET\\filler02.bin"
terminate
wait_no_window InstClass *
SCRIPT
# Wine does not hand the terminated process's exit code to its Linux parent: only its end counts.
for _ in $(seq 200); do kill -0 "$installer_pid" 2>/dev/null || break; sleep 0.05; done
kill -0 "$installer_pid" 2>/dev/null && abort "the terminated installer did not end"
wait "$installer_pid"
installer_pid=""
[ "$(new_copies)" = "$PART_WAY_COPIES" ] || fail "the kill did not come part-way: new copies are $(new_copies)"
missing=$(comm -23 <(printf '%s\n' "$before" | LC_ALL=C sort) <(disk_listing "$target" | LC_ALL=C sort))
[ -z "$missing" ] || fail "a killed upgrade lost earlier files or folders: $missing"

# The next run completes the upgrade: the package's files everywhere, the damaged extension
# file gone, the user's own file kept, no temporary copy left by either run.
start_installer "$slow"
drive after-kill <<SCRIPT || fail "the run after the kill did not complete"
$(upgrade_steps)
wait_control 101
expect_parent_text 800 "Brisvane! Install program - End"
expect_text 101 "$SUCCESS_TEXT"
sleep 200
snap program-upgrade-after-kill
click 2
SCRIPT
expect_exit 0
expect_package_installed "$target"
expect_no_file "$target/npclock.cox"
[ "$(cat "$target/notes.txt" 2>/dev/null)" = "my own notes" ] || fail "the user's own file changed"
expect_no_replacement_copies "$target"
finish
