#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Signs files in place with Authenticode (SHA-256) through osslsigncode: the
# libraries (.ocx) and the installer (.msi). The certificate is given either
# as PEM certificate and key files or as one PKCS#12 file; a key's password
# comes from VEXO_SIGN_PASSWORD. No time stamp unless --timestamp names a
# time-stamping server (signing works offline).
#   scripts/sign.sh (--cert CERT.pem --key KEY.pem | --pkcs12 FILE.p12) [--timestamp URL] FILE...
set -euo pipefail
usage() { echo "usage: $0 (--cert CERT.pem --key KEY.pem | --pkcs12 FILE.p12) [--timestamp URL] FILE..." >&2; exit 2; }
credentials=() timestamp=()
while (($#)); do
  case $1 in
    --cert) credentials+=(-certs "${2:?}"); shift ;;
    --key) credentials+=(-key "${2:?}"); shift ;;
    --pkcs12) credentials+=(-pkcs12 "${2:?}"); shift ;;
    --timestamp) timestamp=(-ts "${2:?}"); shift ;;
    --*) usage ;;
    *) break ;;
  esac
  shift
done
((${#credentials[@]} && $#)) || usage
# The password goes through a private file, not the command line others can read.
password=()
if [[ -n ${VEXO_SIGN_PASSWORD:-} ]]; then
  secret=$(umask 077 && mktemp)
  trap 'rm -f "$secret"' EXIT
  printf '%s' "$VEXO_SIGN_PASSWORD" >"$secret"
  password=(-readpass "$secret")
fi
for file; do
  [[ -f $file ]] || { echo "sign: no file $file" >&2; exit 1; }
  # A file signed before (a second run) is signed afresh, not twice.
  osslsigncode remove-signature -in "$file" -out "$file.unsigned" >/dev/null 2>&1 && mv "$file.unsigned" "$file"
  rm -f "$file.unsigned"
  osslsigncode sign "${credentials[@]}" "${password[@]}" -h sha256 -n "VexoKeyBord Keyboard Control" "${timestamp[@]}" \
    -in "$file" -out "$file.signed" >/dev/null
  mv "$file.signed" "$file"
  echo "sign: $file"
done
