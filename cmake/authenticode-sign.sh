#!/bin/bash
# Signs a PE file or a Windows Installer package with osslsigncode (SHA-256).
#   authenticode-sign.sh CERTIFICATES.pem KEY.pem INPUT OUTPUT
# CERTIFICATES.pem holds the signer's certificate followed by the rest of
# its chain. INPUT and OUTPUT may be the same file. With MIVO_TIMESTAMP_URL
# set in the environment the signature is time-stamped by that RFC 3161
# server, so that it stays valid after the certificate expires.
set -euo pipefail
certificates="$1" key="$2" input="$3" output="$4"
signed="$output.signing"
timestamp=()
[ -n "${MIVO_TIMESTAMP_URL:-}" ] && timestamp=(-ts "$MIVO_TIMESTAMP_URL")
rm -f "$signed"  # osslsigncode never overwrites
osslsigncode sign -certs "$certificates" -key "$key" -h sha256 -n "Mivo Outlook" \
  "${timestamp[@]}" -in "$input" -out "$signed" >/dev/null
mv -f "$signed" "$output"
