#!/usr/bin/env bash
# Installs everything the build, the saver run and the tests need on a fresh Debian 12 machine.
# Safe to run again: it only installs what is missing.
set -euo pipefail

need_root() { if [ "$(id -u)" -ne 0 ]; then echo "setup: run as root (or with sudo)" >&2; exit 1; fi; }

PACKAGES=(
  cmake make g++ googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
  wine wine32:i386 wine64
  xvfb xdotool x11-utils xauth imagemagick
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  locales fonts-ipafont-gothic fonts-wine
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
  libasound2:i386 libasound2-plugins:i386 libxinerama1:i386 libxrandr2:i386
  sox lame
  python3 python3-pil python3-numpy python3-pefile
  clang libclang-rt-14-dev
  nsis osslsigncode openssl
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  need_root
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine in code page 932 needs the Japanese UTF-8 locale; code page 1252 the US English one.
for loc in ja_JP en_US; do
  if ! locale -a 2>/dev/null | grep -qi "^$loc\.utf-\?8\$"; then
    need_root
    sed -i "s/^# *\($loc.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    grep -q "^$loc.UTF-8 UTF-8" /etc/locale.gen || echo "$loc.UTF-8 UTF-8" >> /etc/locale.gen
    generate=1
  fi
done
if [ -n "${generate:-}" ]; then
  locale-gen >/dev/null
fi
