#!/usr/bin/env bash
# Signs a Windows program or MSI package in place with the publisher's code-signing certificate:
# Authenticode with SHA-256 and, when ALVENA_SIGN_TIMESTAMP_URL is set, an RFC 3161 time stamp
# from that address, so the signature outlives the certificate.
#   ALVENA_SIGN_PKCS12=cert.p12 ALVENA_SIGN_PASSWORD_FILE=password.txt sign.sh FILE
# The file is replaced only by a fully signed copy: a failure leaves it as it was.
set -euo pipefail
file=$1
signed=$file.signing
trap 'rm -f "$signed"' EXIT

timestamp=()
if [ -n "${ALVENA_SIGN_TIMESTAMP_URL:-}" ]; then
    timestamp=(-ts "$ALVENA_SIGN_TIMESTAMP_URL")
fi
osslsigncode sign -pkcs12 "${ALVENA_SIGN_PKCS12:?}" -readpass "${ALVENA_SIGN_PASSWORD_FILE:?}" \
    -h sha256 -n Alvena "${timestamp[@]}" -in "$file" -out "$signed" >/dev/null
mv -f "$signed" "$file"
