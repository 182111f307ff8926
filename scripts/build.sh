#!/usr/bin/env bash
# Builds everything: the native logic and its tests, the same under ASan/UBSan, the libFuzzer
# targets, and the cross-built Quarlo.scr with its Wine tests and test helpers.
#   scripts/build.sh            all builds
#   scripts/build.sh win32      only the product build
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

build() {
  local preset=$1
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
}

if [ $# -eq 0 ]; then
  set -- native sanitize fuzz win32
fi
for preset in "$@"; do
  echo "== build: $preset"
  started=$SECONDS
  build "$preset"
  echo "== build: $preset done in $((SECONDS - started)) s"
done
