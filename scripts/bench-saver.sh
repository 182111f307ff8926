#!/usr/bin/env bash
# Measures the saver under Wine on a virtual display, for 1920 x 1080 and 1024 x 768 with 50 and
# 300 sprites:
#   - the median time to compose and present one frame with every sprite shown (saver_bench.exe,
#     the real GDI path, no pacing), with the clear and present the back buffer chooses for each
#     frame, beside a whole clear and present of the same kind of frame, and their ratio;
#   - the steps of the animation shown per second when the same frames run PACED seconds through
#     the backend's frame loop, as in the saver (saver_bench.exe --paced);
#   - the processor share of the paced saver itself (Quarlo.scr /s with that sprite count in its
#     settings file), read from /proc/<pid>/stat over MEASURE seconds, with the X server's share;
# and, at the first size with the first sprite count, the saver's share while its session is
# locked: post_message.exe (tests/e2e/helpers) posts WM_WTSSESSION_CHANGE with WTS_SESSION_LOCK to
# its window, as the system does, while it runs on a desktop without the input (on_desktop.exe);
# a display-off notification carries a pointer and cannot be posted from another process.
#
#   scripts/bench-saver.sh            # uses build/win32; BUILD=... picks another build folder
#
# Each screen size is measured in a Wine session of its own, as the end-to-end tests have one
# (tests/e2e/harness.py run: a copy of the machine's prepared prefix, the Japanese locale, a
# private Xvfb display of that size); the script runs itself inside it with --in-session.
#
# Environment: BUILD (win32 build folder), MEASURE (seconds, default 10), FRAMES (default 600),
# PACED (seconds, default 10), SIZES (default "1920x1080 1024x768"), COUNTS (default "50 300").
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
export BUILD=${BUILD:-$ROOT/build/win32}
export MEASURE=${MEASURE:-10}
export FRAMES=${FRAMES:-600}
export PACED=${PACED:-10}
POST=$BUILD/tests/e2e/helpers/post_message.exe
ONDESKTOP=$BUILD/tests/e2e/helpers/on_desktop.exe
SIZES=${SIZES:-"1920x1080 1024x768"}
export COUNTS=${COUNTS:-"50 300"}

# utime + stime of a process, in clock ticks.
cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }

# The saver's processor share with SpriteCount $1, as "saver% xserver%"; with $2 = locked, while
# its session is reported locked.
paced_share() {
  local run=$WORK/run-$1
  mkdir -p "$run"
  cp "$BUILD/Quarlo.scr" "$run/"
  printf '[Section]\r\nQuarloの数=%s\r\n' "$1" | iconv -f UTF-8 -t CP932 >"$run/Quarlo.ini"
  if [ "${2:-}" = locked ]; then
    # A lock hides a saver once its desktop no longer has the input (the secure desktop takes it):
    # the saver runs on a desktop of its own, while Wine's input desktop stays the default one.
    (cd "$run" && exec wine "$ONDESKTOP" QuarloAway "$run/Quarlo.scr" /s >"$run/log" 2>&1) &
    LAUNCHER_PID=$!
    SAVER_PID=
    for _ in $(seq 100); do
      SAVER_PID=$(pgrep -n -x -f "$run/Quarlo.scr /s" || true)
      [ -n "$SAVER_PID" ] && break
      sleep 0.1
    done
    [ -n "$SAVER_PID" ] || { echo "bench-saver: the saver did not start on its desktop" >&2; return 1; }
    sleep 4  # start-up and the first frames
    wine "$POST" --desktop QuarloAway Quarlo_Main 0x2B1 7 >/dev/null 2>&1 ||
      echo "bench-saver: the lock was not posted" >&2
    sleep 1
  else
    (cd "$run" && exec wine Quarlo.scr /s >"$run/log" 2>&1) &
    SAVER_PID=$!
    LAUNCHER_PID=$SAVER_PID
    sleep 4  # start-up and the first frames
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
  wait "$LAUNCHER_PID" 2>/dev/null || true
  SAVER_PID=
  awk -v a="$ticks0" -v b="$ticks1" -v xa="$xticks0" -v xb="$xticks1" -v t0="$t0" -v t1="$t1" -v hz="$hz" \
    'BEGIN { s = (t1 - t0) * hz; printf "%.1f%% %.1f%%", 100 * (b - a) / s, 100 * (xb - xa) / s }'
}

# One screen size, inside its session: a row per sprite count; at the first count of the first
# size also the locked session's share, into $WORK/locked.
measure_size() {  # WIDTHxHEIGHT
  local size=$1 count out frame full ratio growth steps share xshare locked
  for count in $COUNTS; do
    out=$(cd "$WORK" && timeout 300 wine "$BUILD/saver_bench.exe" --sprites "$count" --frames "$FRAMES" --paced "$PACED" 2>/dev/null | tr -d '\r')
    echo "$out" >"$WORK/bench-$size-$count.txt"
    grep -q "pictures 47/47" <<<"$out" || echo "bench-saver: not every picture loaded: $(head -1 <<<"$out")" >&2
    frame=$(awk '/^frame median/ { print $3 }' <<<"$out")
    full=$(awk '/^full frame median/ { print $4 }' <<<"$out")
    ratio=$(awk '/^full frame median/ { print $NF }' <<<"$out")
    # Growth of the committed memory over the timed frames: what frames created and kept.
    growth=$(awk '/^committed memory/ { print $10 - $7 }' <<<"$out")
    steps=$(awk '/^paced/ { print $4 }' <<<"$out")
    read -r share xshare <<<"$(paced_share "$count")"
    printf '%-10s %7s %11s ms %11s ms %12s %7s KiB %9s %12s %12s\n' "$size" "$count" "$frame" "$full" "$ratio" "$growth" "$steps" "$share" "$xshare"
    if [ ! -e "$WORK/locked" ]; then
      locked=$(paced_share "$count" locked)
      echo "$size $count sprites, session locked: saver cpu ${locked% *}, Xvfb cpu ${locked#* }" >"$WORK/locked"
    fi
  done
}

# Inside the session; whatever Wine still runs when this ends, the session ends with it.
if [ "${1:-}" = --in-session ]; then
  XVFB_PID=$QUARLO_XVFB_PID
  measure_size "$2"
  exit 0
fi

for f in "$BUILD/saver_bench.exe" "$BUILD/Quarlo.scr" "$POST" "$ONDESKTOP"; do
  [ -f "$f" ] || { echo "bench-saver: $f is missing (cmake --preset win32 && cmake --build build/win32)" >&2; exit 1; }
done
for tool in xdotool iconv; do
  command -v "$tool" >/dev/null || { echo "bench-saver: $tool is missing (scripts/setup.sh)" >&2; exit 1; }
done

WORK=$(mktemp -d /tmp/saver-bench.XXXXXX)
export WORK
trap 'rm -rf "$WORK"' EXIT

printf '%-10s %7s %14s %14s %12s %11s %9s %12s %12s\n' screen sprites "frame median" "full frame" "chosen/full" "memory +" "steps/s" "saver cpu" "Xvfb cpu"
for size in $SIZES; do
  /usr/bin/python3 "$ROOT/tests/e2e/harness.py" run --screen "$size" -- bash "$0" --in-session "$size"
done
cat "$WORK/locked"
