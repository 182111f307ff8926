#!/usr/bin/env bash
# Runs Quarlo.scr under Wine (after setup and build).
#   scripts/run-saver.sh [path/to/Quarlo.scr] [--out DIR]
# With an X display that answers ($DISPLAY), the saver runs there (/s) until it ends; it keeps its
# Wine prefix in ~/.local/share/quarlo-wine. Without one, it runs on a private virtual display and
# its first seconds are recorded as saver.gif and saver.png in DIR (default out/), whose path is
# printed last; tests/e2e/record_saver.py does that part.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)

scr=$repo/build/win32/Quarlo.scr
out=$repo/out
while [ $# -gt 0 ]; do
  case $1 in
    --out) out=${2:?--out needs a folder}; shift 2 ;;
    -h|--help) sed -n '2,7p' "$0"; exit 0 ;;
    *) scr=$1; shift ;;
  esac
done
if [ ! -f "$scr" ]; then
  echo "run-saver: $scr not found; build it first (scripts/build.sh win32)" >&2
  exit 1
fi
scr=$(cd "$(dirname "$scr")" && pwd)/$(basename "$scr")

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "run-saver: showing $(basename "$scr") /s on $DISPLAY; any key or click ends it"
  status=0
  # The harness gives Wine the Japanese locale, and so the program its ANSI code page, 932.
  ( cd "$(dirname "$scr")" &&
    /usr/bin/python3 "$repo/tests/e2e/harness.py" run --on-display -- wine "$scr" /s ) || status=$?
  echo "run-saver: the saver ended (exit status $status)"
  exit "$status"
fi

echo "run-saver: no X display answers; recording on a virtual one"
exec /usr/bin/python3 "$repo/tests/e2e/record_saver.py" "$scr" --out "$out"
