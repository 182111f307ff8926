#!/usr/bin/env bash
# Signs Windows executables in place with Authenticode (osslsigncode), for scripts/package.sh.
#   QUARLO_SIGN_CERT=cert.pem QUARLO_SIGN_KEY=key.pem scripts/sign.sh FILE...
# QUARLO_SIGN_PASS: the key's password. QUARLO_SIGN_TIMESTAMP_URL: an RFC 3161 time-stamp server.
# Without a time-stamp server the signing time is SOURCE_DATE_EPOCH when set, so that signing the
# same file with the same key gives the same bytes.
set -euo pipefail
: "${QUARLO_SIGN_CERT:?QUARLO_SIGN_CERT names the certificate}"
: "${QUARLO_SIGN_KEY:?QUARLO_SIGN_KEY names the private key}"

args=(-certs "$QUARLO_SIGN_CERT" -key "$QUARLO_SIGN_KEY" -h sha256 -n Quarlo)
if [ -n "${QUARLO_SIGN_TIMESTAMP_URL:-}" ]; then
  args+=(-ts "$QUARLO_SIGN_TIMESTAMP_URL")
elif [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
  args+=(-time "$SOURCE_DATE_EPOCH")
fi

password=()
if [ -n "${QUARLO_SIGN_PASS:-}" ]; then
  password=(-readpass /dev/stdin)
fi

for file in "$@"; do
  signed="$file.signing.$$"
  rm -f "$signed"
  # The password goes through a pipe, so that it does not show in the process list.
  if ! printf '%s' "${QUARLO_SIGN_PASS:-}" |
       osslsigncode sign "${args[@]}" "${password[@]}" -in "$file" -out "$signed" >/dev/null; then
    rm -f "$signed"
    echo "sign: signing $file failed" >&2
    exit 1
  fi
  mv "$signed" "$file"
done
