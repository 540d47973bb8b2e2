#!/usr/bin/env bash
# A maker's signed release: the sample modules signed before packing, the built installer
# signed after building (osslsigncode, with a test certificate made now in the build folder).
# Both signatures verify; setup-pack verify accepts the installer and names its certificate
# table; the installer loads and installs every file, the signed modules byte for byte with
# their signatures intact. One changed byte in the signed installer's package still gives
# "This program file contains invalid data."
source "$(dirname "$0")/../program-lib.sh"
command -v osslsigncode >/dev/null && command -v openssl >/dev/null || { say "osslsigncode or openssl missing (scripts/setup)"; exit 77; }
reset_state
host="$build/../host"
certs="$build/test-signing"
bash "$e2e_dir/../support/test-certificate" "$certs" || abort "cannot make the test certificate"
sign() { osslsigncode sign -certs "$certs/cert.pem" -key "$certs/key.pem" -n "Brisvane" -in "$1" -out "$2" >/dev/null; }
signature_ok() { osslsigncode verify -CAfile "$certs/cert.pem" -in "$1" >/dev/null 2>&1; }

# The sample modules (the libraries, the plug-in and the sample uninstaller) signed in place.
stage="$work/package"
rm -rf "$stage" && cp -r "$package_files" "$stage"
signed_modules=()
for module in "$stage"/*.dll "$stage"/*.exe; do
    sign "$module" "$module.signed" && mv "$module.signed" "$module" || abort "cannot sign $(basename "$module")"
    signature_ok "$module" || fail "the signed $(basename "$module") does not verify"
    signed_modules+=("$(basename "$module")")
done

unsigned="$work/BrisvaneSetup.exe"
signed="$work/BrisvaneSetup-signed.exe"
"$host/setup-pack" build --stub "$build/BrisvaneSetup-stub.exe" --manifest "$stage/manifest.ini" --out "$unsigned" \
    >/dev/null || abort "setup-pack build failed"
rm -f "$signed"
sign "$unsigned" "$signed" || abort "osslsigncode could not sign the installer"
signature_ok "$signed" || fail "osslsigncode verify refuses the signed installer"
report=$("$host/setup-pack" verify "$signed" 2>&1) || fail "setup-pack verify refuses the signed installer: $report"
grep -q "^signed: certificate table of [0-9]* bytes at offset $(stat -c %s "$unsigned")\$" <<<"$report" ||
    fail "setup-pack verify does not name the certificate table right behind the package: $report"

TARGET='C:\bvtest\signed\Brisvane'
start_installer "$signed"
install_into "$TARGET" signed || abort "the wizard of the signed installer did not go as expected"
leave_success_page
expect_exit 0
target_dir=$(linux_path "$TARGET")
package_files="$stage" expect_package_installed "$target_dir"
signature_ok "$target_dir/NpU32.exe" || fail "the installed NpU32.exe lost its signature"
signature_ok "$nav_dir/Plugins/nptnf32.dll" || fail "the installed plug-in lost its signature"
signature_ok "$system_dir/bvrt32.dll" || fail "the installed shared bvrt32.dll lost its signature"
say "signed modules: ${signed_modules[*]}"

# The last byte of the package, right before the certificate table, changed by one.
damaged="$work/BrisvaneSetup-signed-damaged.exe"
cp "$signed" "$damaged"
at=$(( $(stat -c %s "$unsigned") - 1 ))
byte=$(od -An -tu1 -j "$at" -N1 "$damaged" | tr -d ' ')
printf "$(printf '\\%03o' $(( (byte + 1) % 256 )))" | dd of="$damaged" bs=1 seek="$at" conv=notrunc 2>/dev/null
cmp -s "$signed" "$damaged" && abort "the copy was not changed"
reset_state
start_installer "$damaged"
drive refuse <<'SCRIPT' || fail "the damaged signed installer did not say so"
timeout 10000
wait_window #32770 *
wait_window InstClass "Brisvane! Install program"
expect_no_control 800
sleep 200
snap signed-damaged
box * 1 "This program file contains invalid data."
SCRIPT
expect_exit 255
expect_nothing_installed "$drive_c/bvtest"
finish
