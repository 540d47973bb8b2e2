#!/usr/bin/env bash
# sign-installers.sh HOST_BUILD: the maker's recipe on the 32-bit product, which cannot run
# here: build the demo installer from build/win32's stub and sample modules, sign it with
# osslsigncode (a test certificate made now in the host build folder), and check it with
# osslsigncode verify and setup-pack verify (the PE checksum of the signed file among its
# checks), list and extract. A changed package byte fails both checks, a changed byte of the
# program part setup-pack's; a signed stub is refused by build. Exits 77 (skipped) without a win32 build.
set -uo pipefail
host=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
win="$host/../win32"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
if [ ! -f "$win/BrisvaneSetup-stub.exe" ] || [ ! -f "$win/sample/NpU32.exe" ] || ! ls "$win"/sample/*.dll >/dev/null 2>&1; then
    echo "no 32-bit build in $win (its stub and sample modules are needed): skipped"
    exit 77
fi
pack="$host/setup-pack"
work="$host/test-signing/win32"
certs="$host/test-signing"
rm -rf "$work" && mkdir -p "$work/package"
bash "$root/tests/support/test-certificate" "$certs" || { echo "cannot make the test certificate"; exit 1; }
sign() { osslsigncode sign -certs "$certs/cert.pem" -key "$certs/key.pem" -n "Brisvane" -in "$1" -out "$2" >/dev/null; }
signature_ok() { osslsigncode verify -CAfile "$certs/cert.pem" -in "$1" >/dev/null 2>&1; }

stage="$work/package"
cp "$root/sample/manifest.ini" "$root/sample/readme.txt" "$win"/sample/*.dll "$win/sample/NpU32.exe" "$stage/"
"$host/make-sample-files" "$stage" >/dev/null
for module in "$stage"/*.dll "$stage"/NpU32.exe; do
    sign "$module" "$module.signed" && mv "$module.signed" "$module" || fail "cannot sign $(basename "$module")"
done
"$pack" build --stub "$win/BrisvaneSetup-stub.exe" --manifest "$stage/manifest.ini" --out "$work/setup.exe" >/dev/null ||
    { echo "setup-pack build failed"; exit 1; }
size=$(stat -c %s "$work/setup.exe")
[ $((size % 8)) -eq 0 ] || fail "the built installer is $size bytes, not a whole number of 8-byte units"
sign "$work/setup.exe" "$work/signed.exe" || { echo "osslsigncode could not sign the installer"; exit 1; }
file "$work/signed.exe" | grep -q "PE32 executable (GUI) Intel 80386" || fail "the signed installer is no 32-bit GUI program"
signature_ok "$work/signed.exe" || fail "osslsigncode verify refuses the signed 32-bit installer"
table=$("$pack" list "$work/setup.exe" | sed -n 's/.* table at \([0-9]*\) .*/\1/p')
[ -n "$table" ] || { echo "setup-pack list names no table"; exit 1; }
cmp -s -i "$table:$table" -n $((size - table)) "$work/setup.exe" "$work/signed.exe" ||
    fail "signing changed the package"

out=$("$pack" verify "$work/signed.exe" 2>&1) || fail "setup-pack verify refuses the signed installer: $out"
grep -q "^signed: certificate table of [0-9]* bytes at offset $size\$" <<<"$out" || fail "verify names no certificate table: $out"
out=$("$pack" list "$work/signed.exe" 2>&1) || fail "setup-pack list refuses the signed installer: $out"
grep -q "^signed: certificate table" <<<"$out" || fail "list names no certificate table: $out"
out=$("$pack" extract "$work/signed.exe" "$work/out" 2>&1) || fail "setup-pack extract refuses the signed installer: $out"
for module in "$stage"/*.dll "$stage"/NpU32.exe "$stage/readme.txt"; do
    name=$(basename "$module")
    [ "$name" = bvnet32.dll ] && name=modules/bvnet32.dll
    cmp -s "$module" "$work/out/$name" || fail "$name is not extracted as packed"
done
signature_ok "$work/out/NpU32.exe" || fail "the extracted sample uninstaller lost its signature"

# One changed byte of the package (the middle of the File table's first record).
cp "$work/signed.exe" "$work/damaged.exe"
printf '\xA5' | dd of="$work/damaged.exe" bs=1 seek=$((table + 7)) conv=notrunc 2>/dev/null
cmp -s "$work/signed.exe" "$work/damaged.exe" && fail "the copy was not changed"
"$pack" verify "$work/damaged.exe" >/dev/null 2>&1 && fail "setup-pack verify accepts a changed package byte"
signature_ok "$work/damaged.exe" && fail "osslsigncode verify accepts a changed package byte"

# One changed byte of the program part (in its code, which the package checksum does not
# cover): the PE checksum over the whole file refuses it, as the program does.
cp "$work/signed.exe" "$work/damaged.exe"
printf '\x5A' | dd of="$work/damaged.exe" bs=1 seek=2000 conv=notrunc 2>/dev/null
cmp -s "$work/signed.exe" "$work/damaged.exe" && fail "the copy was not changed"
out=$("$pack" verify "$work/damaged.exe" 2>&1) && fail "setup-pack verify accepts a changed program byte"
grep -q "PE checksum" <<<"$out" || fail "setup-pack verify does not name the PE checksum: $out"

# Signing comes after building: a signed stub is refused.
sign "$win/BrisvaneSetup-stub.exe" "$work/signed-stub.exe" || fail "cannot sign the stub"
out=$("$pack" build --stub "$work/signed-stub.exe" --manifest "$stage/manifest.ini" --out "$work/again.exe" 2>&1) &&
    fail "build accepts a signed stub"
grep -q "the stub is signed" <<<"$out" || fail "build does not say the stub is signed: $out"
[ ! -e "$work/again.exe" ] || fail "build wrote an installer from a signed stub"

[ "$failures" -eq 0 ] && { echo "signed 32-bit installer: passed"; exit 0; }
echo "$failures check(s) failed"
exit 1
