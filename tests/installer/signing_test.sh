#!/usr/bin/env bash
# Signing with a throwaway self-signed code-signing certificate, made here and deleted after:
# without a certificate the packages are unsigned and the build says so; a certificate without a
# time-stamping address, a wrong password or a download address that is not https stops the
# build and leaves no package; with the certificate, and `none` for the time stamp (said in one
# line), the exe, the uninstaller, the installer and the MSI each carry a valid signature by it
# (trusted for the check only), the winget manifests give the signed files' hashes under the
# release address given, and the signed installer still installs and uninstalls under Wine. Two
# unsigned builds of the same exe, in two folders, one after the other, in two time zones, are
# the same byte for byte, manifests and all
# (scripts/check-reproducible.sh checks whole builds from the sources).
#   signing_test.sh BUILT_ALVENA_EXE VERSION MAKE_PACKAGES_PY
set -euo pipefail
. "$(dirname "$0")/../../scripts/wine-common.sh"
built_exe=$1 version=$2 make_packages=$3
env_dir=${ALVENA_TEST_ENV_DIR:?run through ctest}
use_test_env "$env_dir"
. "$(dirname "$0")/package-test-common.sh"

# Only this test's certificate and release address, and no time stamp: this machine may have no
# network.
unset ALVENA_SIGN_PKCS12 ALVENA_SIGN_PASSWORD_FILE ALVENA_SIGN_TIMESTAMP_URL ALVENA_RELEASE_URL
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Alvena'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Alvena test signing" \
    -addext keyUsage=critical,digitalSignature -addext extendedKeyUsage=codeSigning \
    -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
printf 'throwaway-%s' "$RANDOM" >"$work/password"
printf 'wrong' >"$work/wrong-password"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/cert.p12" \
    -passout "file:$work/password"

signed_by_test_cert() {
    osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >"$work/verify.log" 2>&1
}
# packages FOLDER [NAME=VALUE]...: a build into $work/FOLDER, in that environment.
packages() {
    local folder=$1
    shift
    env "$@" python3 "$make_packages" "$built_exe" "$version" "$work/$folder" \
        >"$work/$folder.log" 2>&1
}

TZ=Pacific/Auckland packages unsigned ||
    fail "the unsigned build failed: $(cat "$work/unsigned.log")"
grep -q '^packages unsigned: ' "$work/unsigned.log" || fail "the unsigned build did not say so"
TZ=America/Lima packages unsigned-again || fail "the second unsigned build failed"
cmp "$work/unsigned/SHA256SUMS" "$work/unsigned-again/SHA256SUMS" &&
    diff -r "$work/unsigned/winget" "$work/unsigned-again/winget" ||
    fail "two builds of the same exe differ"
signed_by_test_cert "$work/unsigned/Alvena-$version-setup.exe" &&
    fail "an unsigned installer passed the signature check"

# Each refusal: the folder it must not make, the message it must give, the build's environment.
refused() {
    local folder=$1 message=$2
    shift 2
    packages "$folder" "$@" && fail "$folder: the build went on"
    grep -q -- "$message" "$work/$folder.log" ||
        fail "$folder: no message '$message': $(cat "$work/$folder.log")"
    [ ! -e "$work/$folder" ] || fail "$folder: the stopped build left packages behind"
}
certificate=(ALVENA_SIGN_PKCS12="$work/cert.p12" ALVENA_SIGN_PASSWORD_FILE="$work/password")
refused no-timestamp 'signing needs ALVENA_SIGN_TIMESTAMP_URL' "${certificate[@]}"
refused bad-password 'cannot sign alvena.exe with .*cert.p12' "${certificate[@]}" \
    ALVENA_SIGN_PASSWORD_FILE="$work/wrong-password" ALVENA_SIGN_TIMESTAMP_URL=none
refused plain-http 'ALVENA_RELEASE_URL must be an https:// address' \
    ALVENA_RELEASE_URL=http://downloads.example/alvena

release_url=https://downloads.example/alvena/$version
packages signed "${certificate[@]}" ALVENA_SIGN_TIMESTAMP_URL=none \
    ALVENA_RELEASE_URL="$release_url" || fail "the signed build failed: $(cat "$work/signed.log")"
[ "$(grep -c 'without a time stamp' "$work/signed.log")" -eq 1 ] ||
    fail "signing without a time stamp was not said in one line: $(cat "$work/signed.log")"
python3 "$(dirname "$0")/winget_test.py" "$work/signed" "$version" "$release_url" ||
    fail "the signed build's winget manifests"
(cd "$work" && cmake -E tar xf "signed/Alvena-$version-win64.zip" alvena.exe)
for file in "alvena.exe" "signed/Alvena-$version-setup.exe" "signed/Alvena-$version-x64.msi"; do
    signed_by_test_cert "$work/$file" ||
        fail "$file has no valid signature: $(cat "$work/verify.log")"
done

# The uninstaller exists only once the installer has written it.
"$WINE" "$work/signed/Alvena-$version-setup.exe" /S || fail "the signed installer failed"
install_dir=$("$WINE" winepath -u "$("$WINE" reg query "$key" /v InstallLocation |
    tr -d '\r' | sed -n 's/^ *InstallLocation \+REG_SZ \+//p')")
[ -f "$install_dir/alvena.exe" ] || { echo "FAIL: no alvena.exe in '$install_dir'" >&2; exit 1; }
for file in alvena.exe uninstall.exe; do
    signed_by_test_cert "$install_dir/$file" ||
        fail "the installed $file has no valid signature: $(cat "$work/verify.log")"
done
"$WINE" "$install_dir/uninstall.exe" /S || fail "the signed uninstaller failed"
# It goes on from a copy of itself in the temporary folder and deletes the key last.
deadline=$((SECONDS + 30))
while [ -e "$install_dir" ] || "$WINE" reg query "$key" >/dev/null 2>&1; do
    if [ $SECONDS -ge $deadline ]; then
        fail "the signed uninstaller left the program or its key"
        break
    fi
    sleep 0.2
done

echo "signing test: $failures failure(s)"
[ "$failures" -eq 0 ]
