#!/usr/bin/env bash
# Silent runs that cannot install: each ends with its own exit code, shows no window, writes
# nothing and logs why. A refused /D= (13), a directory the check refuses (13), a damaged
# installer (12), no browser that can take the plug-in (16), a command line not understood
# (10), a second silent instance beside a running one (11). The usage text without /S is a
# box (and the window watch sees it: the control for every "no window" check here).
source "$(dirname "$0")/../program-lib.sh"
reset_state
use_log failure

# silent_failure CODE "LOG LINE" ARGUMENTS...: the run ends with CODE, no window, nothing
# installed, and the log holds LOG LINE and the exit code.
silent_failure() {
    local code="$1" line="$2"
    shift 2
    rm -f "$log_file"
    watch_windows
    start_installer "${installer_file:-}" /S "/LOG=$LOG" "$@"
    expect_exit "$code"
    expect_no_new_window
    expect_nothing_installed "$drive_c/bvtest"
    expect_no_temp_files
    local log; log=$(tr -d '\r' < "$log_file" 2>/dev/null)
    printf '%s\n' "$log" | grep -qF -- "$line" || fail "($*) the log lacks \"$line\": $log"
    printf '%s\n' "$log" | grep -qxF "Exit code: $code" || fail "($*) the log lacks its exit code: $log"
}

silent_failure 13 "Message: Invalid directory!" '/D=bvtest\relative'
silent_failure 13 "Message: The directory name is too long. Please enter a shorter location." \
    "/D=C:\\$(printf 'd%.0s' $(seq 300))"
silent_failure 13 "Message: Invalid directory!" '/D=C:\bvtest\a|b'
# A file where the directory should be: it cannot be created.
touch "$drive_c/bvlog/occupied"
silent_failure 13 'Message: Cannot create C:\bvlog\occupied\sub' '/D=C:\bvlog\occupied\sub'
rm -f "$drive_c/bvlog/occupied"
[ -d "$drive_c/bvlog/occupied" ] && fail "a directory was made for a refused target"

# No browser: neither has a Plugins folder; each is dropped with the page's own message.
rm -rf "$nav_dir/Plugins" "$ie_dir/Plugins"
silent_failure 16 "Message: Cannot find the Plugins directory in the directory of Microsoft Internet Explorer. Please select another directory." '/D=C:\bvtest\nobrowser'
[ -e "$drive_c/bvtest/nobrowser" ] && fail "the target made for an install that did not happen is still there"
mkdir -p "$nav_dir/Plugins" "$ie_dir/Plugins"

# Not understood: the usage text goes to the log only.
silent_failure 10 "Message: Usage: [/S] [/LOG=file] [/D=directory]" /Q

# A damaged installer.
damaged="$work/BrisvaneSetup-damaged.exe"
cp "$installer" "$damaged"
size=$(stat -c %s "$damaged")
last=$(od -An -tu1 -j $((size - 1)) -N1 "$damaged" | tr -d ' ')
printf "$(printf '\\%03o' $(( (last + 1) % 256 )))" | dd of="$damaged" bs=1 seek=$((size - 1)) conv=notrunc 2>/dev/null
installer_file="$damaged" silent_failure 12 "Message: This program file contains invalid data." '/D=C:\bvtest\damaged'

# Without /S the usage text is a box; the watch sees its window. The driver holds the box
# open while the screen is listed once more (on a busy machine the watch's own polling can
# miss a box that is answered at once).
watch_windows
start_installer "" '/?'
on_snap() { [ "$1" = program-usage-box ] && xwininfo -root -tree >>"$work/windows-seen.txt" 2>/dev/null; }
drive usage <<'SCRIPT' || fail "no usage box"
timeout 10000
wait_window #32770 *
snap program-usage-box
box * 1 "Usage: [/S] [/LOG=file] [/D=directory]"
SCRIPT
unset -f on_snap
expect_exit 10
[ -n "$(new_windows)" ] || fail "the window watch did not see the usage box"

# A second silent instance while the wizard runs: it ends at once with 11 and says why in its
# log (added at the end of one that is there: it may be the first one's).
start_wizard
rm -f "$log_file"
start=$(date +%s%3N)
timeout 30 wine "$installer" /S "/LOG=$LOG" </dev/null >"$logs/$test_name.second.log" 2>&1
rc=$?
[ "$rc" -eq 11 ] || fail "the second silent instance ended with $rc, expected 11"
say "the second instance ended after $(( $(date +%s%3N) - start )) ms"
expect_locked_out_logged
quit_wizard "$first_pid"
finish
