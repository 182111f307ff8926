#!/usr/bin/env bash
# Measures the saver under Wine on a virtual display, for 1920 x 1080 and 1024 x 768 with 50 and
# 300 sprites:
#   - the median time to compose and present one frame with every sprite shown (saver_bench.exe,
#     the real GDI path, no pacing);
#   - the steps of the animation shown per second when the same frames run PACED seconds through
#     the backend's frame loop, as in the saver (saver_bench.exe --paced);
#   - the processor share of the paced saver itself (Quarlo.scr /s with that sprite count in its
#     settings file), read from /proc/<pid>/stat over MEASURE seconds, with the X server's share;
# and, at the first size with the first sprite count, the saver's share while its session is
# locked: post_message.exe (tests/e2e/helpers) posts WM_WTSSESSION_CHANGE with WTS_SESSION_LOCK to
# its window, as the system does (a display-off notification carries a pointer and cannot be
# posted from another process).
#
#   scripts/bench-saver.sh            # uses build/win32; BUILD=... picks another build folder
#
# Environment: BUILD (win32 build folder), DISPLAY_NUM (default 131), WINEPREFIX (default a
# private one under the work folder), MEASURE (seconds, default 10), FRAMES (default 600),
# PACED (seconds, default 10).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/build/win32}
DISPLAY_NUM=${DISPLAY_NUM:-131}
MEASURE=${MEASURE:-10}
FRAMES=${FRAMES:-600}
PACED=${PACED:-10}
POST=$BUILD/tests/e2e/helpers/post_message.exe
SIZES=${SIZES:-"1920x1080 1024x768"}
COUNTS=${COUNTS:-"50 300"}

for f in "$BUILD/saver_bench.exe" "$BUILD/Quarlo.scr" "$POST"; do
  [ -f "$f" ] || { echo "bench-saver: $f is missing (cmake --preset win32 && cmake --build build/win32)" >&2; exit 1; }
done
for tool in wine wineboot wineserver Xvfb xdpyinfo xdotool iconv; do
  command -v "$tool" >/dev/null || { echo "bench-saver: $tool is missing (scripts/setup.sh)" >&2; exit 1; }
done
if [ -e "/tmp/.X${DISPLAY_NUM}-lock" ]; then
  echo "bench-saver: display :$DISPLAY_NUM is taken; set DISPLAY_NUM" >&2
  exit 1
fi

WORK=$(mktemp -d /tmp/saver-bench.XXXXXX)
export WINEPREFIX=${WINEPREFIX:-$WORK/prefix} WINEDEBUG=-all LANG=ja_JP.UTF-8 WINEARCH=win32
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" DISPLAY=:$DISPLAY_NUM
XVFB_PID=
SAVER_PID=

cleanup() {
  [ -n "$SAVER_PID" ] && kill "$SAVER_PID" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && wait "$XVFB_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

start_display() {  # WIDTHxHEIGHT
  Xvfb ":$DISPLAY_NUM" -screen 0 "${1}x24" -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "bench-saver: Xvfb :$DISPLAY_NUM does not answer" >&2
  exit 1
}

stop_display() {
  wineserver -k >/dev/null 2>&1 || true
  kill "$XVFB_PID" 2>/dev/null || true
  wait "$XVFB_PID" 2>/dev/null || true
  XVFB_PID=
}

# utime + stime of a process, in clock ticks.
cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }

# The saver's processor share with SpriteCount $1, as "saver% xserver%"; with $2 = locked, while
# its session is reported locked.
paced_share() {
  local run=$WORK/run-$1
  mkdir -p "$run"
  cp "$BUILD/Quarlo.scr" "$run/"
  printf '[Section]\r\nQuarloの数=%s\r\n' "$1" | iconv -f UTF-8 -t CP932 >"$run/Quarlo.ini"
  (cd "$run" && exec wine Quarlo.scr /s >"$run/log" 2>&1) &
  SAVER_PID=$!
  sleep 4  # start-up and the first frames
  if [ "${2:-}" = locked ]; then
    wine "$POST" Quarlo_Main 0x2B1 7 >/dev/null 2>&1 || echo "bench-saver: the lock was not posted" >&2
    sleep 1
  fi
  local hz ticks0 xticks0 t0 ticks1 xticks1 t1
  hz=$(getconf CLK_TCK)
  ticks0=$(cpu_ticks "$SAVER_PID"); xticks0=$(cpu_ticks "$XVFB_PID"); t0=$(date +%s.%N)
  sleep "$MEASURE"
  ticks1=$(cpu_ticks "$SAVER_PID"); xticks1=$(cpu_ticks "$XVFB_PID"); t1=$(date +%s.%N)
  xdotool key space
  for _ in $(seq 50); do kill -0 "$SAVER_PID" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$SAVER_PID" 2>/dev/null; then
    echo "bench-saver: the saver did not end on a key press" >&2
    kill "$SAVER_PID" 2>/dev/null || true
  fi
  wait "$SAVER_PID" 2>/dev/null || true
  SAVER_PID=
  awk -v a="$ticks0" -v b="$ticks1" -v xa="$xticks0" -v xb="$xticks1" -v t0="$t0" -v t1="$t1" -v hz="$hz" \
    'BEGIN { s = (t1 - t0) * hz; printf "%.1f%% %.1f%%", 100 * (b - a) / s, 100 * (xb - xa) / s }'
}

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  start_display 1024x768
  timeout 300 wineboot -i >/dev/null 2>&1
  stop_display
fi

printf '%-10s %7s %14s %14s %14s %11s %9s %12s %12s\n' screen sprites "frame median" "compose med" "present med" "memory +" "steps/s" "saver cpu" "Xvfb cpu"
locked=
for size in $SIZES; do
  start_display "$size"
  for count in $COUNTS; do
    out=$(cd "$WORK" && timeout 300 wine "$BUILD/saver_bench.exe" --sprites "$count" --frames "$FRAMES" --paced "$PACED" 2>/dev/null | tr -d '\r')
    echo "$out" >"$WORK/bench-$size-$count.txt"
    grep -q "pictures 47/47" <<<"$out" || echo "bench-saver: not every picture loaded: $(head -1 <<<"$out")" >&2
    frame=$(awk '/^frame median/ { print $3 }' <<<"$out")
    compose=$(awk '/^compose median/ { print $3 }' <<<"$out")
    present=$(awk '/^present median/ { print $3 }' <<<"$out")
    # Growth of the committed memory over the timed frames: what frames created and kept.
    growth=$(awk '/^committed memory/ { print $10 - $7 }' <<<"$out")
    steps=$(awk '/^paced/ { print $4 }' <<<"$out")
    read -r share xshare <<<"$(paced_share "$count")"
    printf '%-10s %7s %11s ms %11s ms %11s ms %7s KiB %9s %12s %12s\n' "$size" "$count" "$frame" "$compose" "$present" "$growth" "$steps" "$share" "$xshare"
    if [ -z "$locked" ]; then
      locked=$(paced_share "$count" locked)
      locked="$size $count sprites, session locked: saver cpu ${locked% *}, Xvfb cpu ${locked#* }"
    fi
  done
  stop_display
done
echo "$locked"
