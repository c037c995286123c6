#!/bin/bash
# Makes the update tests' packages: a test root, publisher certificates and
# signed, unsigned, tampered and wrongly signed copies of a PE file and of a
# Windows Installer database. Nothing here is kept in the repository: the
# keys are made afresh by every build. The publisher's certificate (with its
# chain) and key stay beside the packages as test-publisher.pem and
# test-publisher.key: the build signs the test installer packages with them.
# test-publisher.pin holds the SHA-256 of the publisher's public key
# (DER SubjectPublicKeyInfo, hex), the key the tests' resource library pins.
#   make-update-packages.sh OUT-FOLDER PUBLISHER UNSIGNED-MSI UNSIGNED-EXE
# PUBLISHER is the subject the scheduler expects, "CN=..., O=..., C=..." (no
# commas inside a value). OUT-FOLDER receives root.der (the root to trust)
# and <kind>.msi / <kind>.exe for the kinds signed, unsigned, tampered,
# other-publisher, untrusted-root and other-key (the publisher's name from
# the trusted test root, but not the publisher's key).
set -euo pipefail
out="$1" publisher="$2" unsigned_msi="$3" unsigned_exe="$4"
work="$out/work"
rm -rf "$work"
mkdir -p "$work"

# "CN=a, O=b, C=c" -> "/C=c/O=b/CN=a": openssl writes the parts in order,
# Windows shows them from the most specific one.
openssl_subject() {
  local subject="" part
  IFS=',' read -ra parts <<<"$1"
  for part in "${parts[@]}"; do
    part="${part#"${part%%[![:space:]]*}"}"
    subject="/$part$subject"
  done
  printf '%s' "$subject"
}

root() {  # name subject
  openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 30 \
    -keyout "$work/$1.key" -out "$work/$1.pem" -subj "$2" \
    -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
}

signer() {  # name subject root
  printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' \
    >"$work/$1.ext"
  openssl req -newkey rsa:2048 -nodes -sha256 -keyout "$work/$1.key" -out "$work/$1.csr" \
    -subj "$2" 2>/dev/null
  openssl x509 -req -sha256 -days 30 -in "$work/$1.csr" -CA "$work/$3.pem" -CAkey "$work/$3.key" \
    -set_serial "0x$(openssl rand -hex 8)" -extfile "$work/$1.ext" -out "$work/$1.pem" 2>/dev/null
  cat "$work/$1.pem" "$work/$3.pem" >"$work/$1.chain.pem"
}

SIGN="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)/cmake/authenticode-sign.sh"
sign() {  # signer input output
  "$SIGN" "$work/$1.chain.pem" "$work/$1.key" "$2" "$3"
}

root test-root "/CN=Mivo Update Test Root"
root stranger-root "/CN=Mivo Update Stranger Root"
signer publisher "$(openssl_subject "$publisher")" test-root
signer other "/C=CN/O=Someone Else/CN=Someone Else" test-root
signer impostor "$(openssl_subject "$publisher")" stranger-root
signer namesake "$(openssl_subject "$publisher")" test-root
openssl x509 -in "$work/test-root.pem" -outform der -out "$out/root.der"
openssl x509 -in "$work/publisher.pem" -noout -pubkey | openssl pkey -pubin -outform DER |
  openssl dgst -sha256 -r | cut -c1-64 >"$out/test-publisher.pin"

for ext in msi exe; do
  input="$unsigned_msi"
  [ "$ext" = exe ] && input="$unsigned_exe"
  cp "$input" "$out/unsigned.$ext"
  sign publisher "$input" "$out/signed.$ext"
  sign other "$input" "$out/other-publisher.$ext"
  sign impostor "$input" "$out/untrusted-root.$ext"
  sign namesake "$input" "$out/other-key.$ext"
done
# Altered after signing: one byte of the PE's code, and the product name in
# the database's string pool.
cp "$out/signed.exe" "$out/tampered.exe"
printf '\xCC' | dd of="$out/tampered.exe" bs=1 seek=1100 conv=notrunc status=none
LC_ALL=C sed 's/Mivo Test Package/Mivo Evil Package/' "$out/signed.msi" >"$out/tampered.msi"
cmp -s "$out/signed.msi" "$out/tampered.msi" && { echo "tampering the MSI changed nothing" >&2; exit 1; }
cp "$work/publisher.chain.pem" "$out/test-publisher.pem"
cp "$work/publisher.key" "$out/test-publisher.key"
rm -rf "$work"
