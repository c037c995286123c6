#!/bin/bash
# Signs a PE file or a Windows Installer package with osslsigncode (SHA-256).
#   authenticode-sign.sh CERTIFICATES.pem KEY.pem INPUT OUTPUT
# CERTIFICATES.pem holds the signer's certificate followed by the rest of
# its chain. INPUT and OUTPUT may be the same file.
set -euo pipefail
certificates="$1" key="$2" input="$3" output="$4"
signed="$output.signing"
rm -f "$signed"  # osslsigncode never overwrites
osslsigncode sign -certs "$certificates" -key "$key" -h sha256 -n "Mivo Outlook" \
  -in "$input" -out "$signed" >/dev/null
mv -f "$signed" "$output"
