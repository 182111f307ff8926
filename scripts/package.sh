#!/usr/bin/env bash
# Builds the release: Quarlo.scr, its installer Quarlo-Setup-<version>.exe and SHA256SUMS, in
# build/release/ (or the folder given with --out DIR).
#   scripts/package.sh [--out DIR]
#
# Two builds of one commit give the same bytes wherever and whenever they run. The version is the
# one of project() in CMakeLists.txt.
#
# Signing (Authenticode, with osslsigncode): with QUARLO_SIGN_CERT (certificate chain, PEM or DER)
# and QUARLO_SIGN_KEY (its private key; QUARLO_SIGN_PASS when the key has a password) set, it also
# writes DIR/signed/ with signed copies: Quarlo.scr, and an installer that carries the signed
# Quarlo.scr and a signed uninstaller and is signed itself; with its own SHA256SUMS. A time stamp
# is added when QUARLO_SIGN_TIMESTAMP_URL names an RFC 3161 time-stamp server. The unsigned files
# in DIR are the same with or without signing.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
out=$repo/build/release
while [ $# -gt 0 ]; do
  case $1 in
    --out) out=${2:?--out needs a folder}; shift 2 ;;
    *) echo "usage: scripts/package.sh [--out DIR]" >&2; exit 2 ;;
  esac
done
# Paths given relative to where the script was started from.
mkdir -p "$out"
out=$(cd "$out" && pwd)
for variable in QUARLO_SIGN_CERT QUARLO_SIGN_KEY; do
  if [ -n "${!variable:-}" ]; then
    export "$variable=$(realpath -m -- "${!variable}")"
  fi
done
cd "$repo"

# Any time a tool wants to record is the commit's time.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || echo 0)
fi
export SOURCE_DATE_EPOCH

echo "== package: building Quarlo.scr"
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Quarlo -j"$(nproc 2>/dev/null || echo 2)"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win32/CMakeCache.txt)
if [ -z "$version" ]; then
  echo "package: no project version in build/win32/CMakeCache.txt" >&2
  exit 1
fi
setup=Quarlo-Setup-$version.exe

# installer [extra makensis arguments...]: makes $folder/$setup from $folder/Quarlo.scr.
installer() {
  local folder=$1
  shift
  makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSAVER="$folder/Quarlo.scr" \
    -DOUTFILE="$folder/$setup" "$@" installer/quarlo.nsi
}

sums() {
  (cd "$1" && sha256sum Quarlo.scr "$setup" > SHA256SUMS)
}

echo "== package: Quarlo $version into $out"
cp build/win32/Quarlo.scr "$out/Quarlo.scr"
installer "$out"
sums "$out"

if [ -n "${QUARLO_SIGN_CERT:-}" ] && [ -n "${QUARLO_SIGN_KEY:-}" ]; then
  echo "== package: signing into $out/signed"
  mkdir -p "$out/signed"
  cp "$out/Quarlo.scr" "$out/signed/Quarlo.scr"
  bash scripts/sign.sh "$out/signed/Quarlo.scr"
  # makensis signs the uninstaller before it packs it, and the installer when it is written.
  installer "$out/signed" -DSIGN="bash \"$repo/scripts/sign.sh\""
  sums "$out/signed"
else
  if [ -n "${QUARLO_SIGN_CERT:-}${QUARLO_SIGN_KEY:-}" ]; then
    echo "package: signing needs both QUARLO_SIGN_CERT and QUARLO_SIGN_KEY" >&2
  fi
  echo "== package: unsigned (set QUARLO_SIGN_CERT and QUARLO_SIGN_KEY to sign)"
fi
(cd "$out" && ls -l Quarlo.scr "$setup" && cat SHA256SUMS)
