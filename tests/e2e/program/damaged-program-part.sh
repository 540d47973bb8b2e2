#!/usr/bin/env bash
# An installer with one byte of its program part changed (in its resources, outside the
# package, so the package checksum still holds): the PE checksum over the whole file refuses
# it before anything is done. Silent: exit 12, no window, nothing written, the log says why.
# Interactively: the box "This program file contains invalid data." and -1.
source "$(dirname "$0")/../program-lib.sh"
reset_state
use_log damaged

# The .rsrc section's place in the file, from the section table.
u16() { od -An -tu2 -j "$2" -N2 "$1" | tr -d ' '; }
u32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
pe=$(u32 "$installer" 60)
sections=$((pe + 24 + $(u16 "$installer" $((pe + 20)))))
rsrc_start=0 rsrc_end=0
for ((i = 0; i < $(u16 "$installer" $((pe + 6))); i++)); do
    at=$((sections + 40 * i))
    name=$(dd if="$installer" bs=1 skip="$at" count=8 2>/dev/null | tr -d '\0')
    if [ "$name" = .rsrc ]; then
        rsrc_start=$(u32 "$installer" $((at + 20)))
        rsrc_end=$((rsrc_start + $(u32 "$installer" $((at + 16)))))
    fi
done
# A pixel of the program's icon (RT_ICON holds the image of resources/setup.ico as it is;
# its bitmap header and palette, the first 104 bytes, locate it): a byte no box shows, so the box's text is
# the program's own whatever the check does.
pattern=$(od -An -v -tx1 -j 22 -N 104 "$e2e_dir/../../resources/setup.ico" | tr -s ' \n' ' ' | sed 's/ *$//; s/ /\\x/g')
icon=$(LC_ALL=C grep -obUaP "$pattern" "$installer" | head -1 | cut -d: -f1)
[ -n "$icon" ] && [ "$icon" -ge "$rsrc_start" ] && [ "$icon" -lt "$rsrc_end" ] ||
    abort "the icon is not in the .rsrc section ($rsrc_start..$rsrc_end): ${icon:-not found}"
pixel=$((icon + 104 + 200))
damaged="$work/BrisvaneSetup-resource.exe"
cp "$installer" "$damaged"
old=$(od -An -tu1 -j "$pixel" -N1 "$damaged" | tr -d ' ')
printf "$(printf '\\%03o' $(( old ^ 0x11 )))" | dd of="$damaged" bs=1 seek="$pixel" conv=notrunc 2>/dev/null
cmp -s "$installer" "$damaged" && abort "the copy was not changed"
# The package is untouched: setup-pack verify names the PE checksum, not the package's.
out=$("$build/../host/setup-pack" verify "$damaged" 2>&1) && fail "setup-pack verify accepts the damaged installer"
grep -q "PE checksum" <<<"$out" || fail "setup-pack verify does not name the PE checksum: $out"

# Silent: no window, the documented code, the log.
watch_windows
start_installer "$damaged" /S "/LOG=$LOG" '/D=C:\bvtest\damaged'
expect_exit 12
expect_no_new_window
expect_nothing_installed "$drive_c/bvtest"
expect_no_temp_files
log=$(tr -d '\r' < "$log_file" 2>/dev/null)
grep -qF "This program file contains invalid data." <<<"$log" || fail "the log lacks the reason: $log"
grep -qxF "Exit code: 12" <<<"$log" || fail "the log lacks its exit code: $log"

# Interactively: the box, before any page.
expect_damage_refused "$damaged" program-part-damaged
finish
