#!/usr/bin/env bash
# An installer whose package has one byte changed says so and ends with -1 before any page
# and before any temporary file exists.
source "$(dirname "$0")/../program-lib.sh"
reset_state
damaged="$work/BrisvaneSetup-damaged.exe"
cp "$installer" "$damaged"
size=$(stat -c %s "$damaged")
last=$(od -An -tu1 -j $((size - 1)) -N1 "$damaged" | tr -d ' ')
printf "$(printf '\\%03o' $(( (last + 1) % 256 )))" | dd of="$damaged" bs=1 seek=$((size - 1)) conv=notrunc 2>/dev/null
cmp -s "$installer" "$damaged" && abort "the copy was not changed"
expect_damage_refused "$damaged" program-damaged
finish
