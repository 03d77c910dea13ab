#!/usr/bin/env bash
# Signs a Windows program or MSI package in place with the publisher's code-signing certificate:
# Authenticode with SHA-256 and an RFC 3161 time stamp from ALVENA_SIGN_TIMESTAMP_URL, so the
# signature outlives the certificate; `none` there signs without one (tests, no network).
#   ALVENA_SIGN_PKCS12=cert.p12 ALVENA_SIGN_PASSWORD_FILE=password.txt \
#   ALVENA_SIGN_TIMESTAMP_URL=http://timestamp.example sign.sh FILE
# The file is replaced only by a fully signed copy: a failure leaves it as it was.
set -euo pipefail
file=$1
signed=$file.signing
trap 'rm -f "$signed"' EXIT

timestamp=(-ts "${ALVENA_SIGN_TIMESTAMP_URL:?the time-stamping address, or none}")
if [ "$ALVENA_SIGN_TIMESTAMP_URL" = none ]; then
    timestamp=()
fi
osslsigncode sign -pkcs12 "${ALVENA_SIGN_PKCS12:?}" -readpass "${ALVENA_SIGN_PASSWORD_FILE:?}" \
    -h sha256 -n Alvena "${timestamp[@]}" -in "$file" -out "$signed" >/dev/null
mv -f "$signed" "$file"
