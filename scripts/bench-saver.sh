#!/usr/bin/env bash
# Measures the saver under Wine on a virtual display, for 1920 x 1080 and 1024 x 768 at 100 % and
# 3840 x 2160 at 200 %, each with 50 and 300 sprites, and one and two 1920 x 1080 monitors side by
# side with every monitor its own scene:
#   - the median time to compose and present one frame with every sprite shown (saver_bench.exe,
#     the real GDI path, no pacing), with the clear and present the back buffer chooses for each
#     frame, beside a whole clear and present of the same kind of frame, and their ratio;
#   - the steps of the animation shown per second when the same frames run PACED seconds through
#     the backend's frame loop, as in the saver (saver_bench.exe --paced);
#   - the processor share of the paced saver itself (Quarlo.scr /s with that sprite count in its
#     settings file), read from /proc/<pid>/stat over MEASURE seconds, with the X server's share,
#     and the saver's resident memory at the end (VmRSS of /proc/<pid>/status);
# and, at the first size with the first sprite count, the saver's share while its session is
# locked: post_message.exe (tests/e2e/helpers) posts WM_WTSSESSION_CHANGE with WTS_SESSION_LOCK to
# its window, as the system does, while it runs on a desktop without the input (on_desktop.exe);
# a display-off notification carries a pointer and cannot be posted from another process.
#
#   scripts/bench-saver.sh            # uses build/win32; BUILD=... picks another build folder
#   BESIDE=/tmp/prev/build/win32 scripts/bench-saver.sh
#                                     # the paced saver of that build too, one after the other in
#                                     # each session, in brackets beside this build's figures
#
# Each screen size is measured in a Wine session of its own, as the end-to-end tests have one
# (tests/e2e/harness.py run: a copy of the machine's prepared prefix, the Japanese locale, a
# private Xvfb display of that size, at the size's scale); the script runs itself inside it with
# --in-session.
#
# Environment: BUILD (win32 build folder), BESIDE (another one), MEASURE (seconds, default 10),
# WARMUP (seconds from the start to the measure, default 4; the screen is full after 36),
# FRAMES (default 600), PACED (seconds, default 10), SIZES (default
# "1920x1080 1024x768 3840x2160@200 1x1920x1080 2x1920x1080", [Nx]WIDTHxHEIGHT[@PERCENT]: Nx
# is N such monitors side by side, on Xorg's dummy driver, with every monitor its own scene: the
# paced saver only), COUNTS (default "50 300").
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
export BUILD=${BUILD:-$ROOT/build/win32}
export MEASURE=${MEASURE:-10}
export FRAMES=${FRAMES:-600}
export PACED=${PACED:-10}
# Seconds from the start to the measure; the screen fills with sprites over the first 36 s.
export WARMUP=${WARMUP:-4}
export BESIDE=${BESIDE:-}
POST=$BUILD/tests/e2e/helpers/post_message.exe
ONDESKTOP=$BUILD/tests/e2e/helpers/on_desktop.exe
SIZES=${SIZES:-"1920x1080 1024x768 3840x2160@200 1x1920x1080 2x1920x1080"}
export COUNTS=${COUNTS:-"50 300"}

# utime + stime of a process, in clock ticks.
cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }

# The processor share of the saver of build $3 (default BUILD) with SpriteCount $1, as
# "saver% xserver% resident-MiB"; with $2 = locked, while its session is reported locked.
paced_share() {
  local run=$WORK/run-$1
  rm -rf "$run"
  mkdir -p "$run"
  cp "${3:-$BUILD}/Quarlo.scr" "$run/"
  # With EVERY set, every monitor shows a scene of its own.
  printf '[Section]\r\nQuarloの数=%s\r\n%s' "$1" "${EVERY:+全ﾓﾆﾀｰ=-1\r\n}" |
    iconv -f UTF-8 -t CP932 >"$run/Quarlo.ini"
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
    sleep "$WARMUP"  # start-up and the first frames
    wine "$POST" --desktop QuarloAway Quarlo_Main 0x2B1 7 >/dev/null 2>&1 ||
      echo "bench-saver: the lock was not posted" >&2
    sleep 1
  else
    (cd "$run" && exec wine Quarlo.scr /s >"$run/log" 2>&1) &
    SAVER_PID=$!
    LAUNCHER_PID=$SAVER_PID
    sleep "$WARMUP"  # start-up and the first frames
  fi
  local hz ticks0 xticks0 t0 ticks1 xticks1 t1 rss
  hz=$(getconf CLK_TCK)
  ticks0=$(cpu_ticks "$SAVER_PID"); xticks0=$(cpu_ticks "$XVFB_PID"); t0=$(date +%s.%N)
  sleep "$MEASURE"
  ticks1=$(cpu_ticks "$SAVER_PID"); xticks1=$(cpu_ticks "$XVFB_PID"); t1=$(date +%s.%N)
  rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$SAVER_PID/status")
  xdotool key space
  for _ in $(seq 50); do kill -0 "$SAVER_PID" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$SAVER_PID" 2>/dev/null; then
    echo "bench-saver: the saver did not end on a key press" >&2
    kill "$SAVER_PID" 2>/dev/null || true
  fi
  wait "$LAUNCHER_PID" 2>/dev/null || true
  SAVER_PID=
  awk -v a="$ticks0" -v b="$ticks1" -v xa="$xticks0" -v xb="$xticks1" -v t0="$t0" -v t1="$t1" -v hz="$hz" -v rss="$rss" \
    'BEGIN { s = (t1 - t0) * hz; printf "%.1f%% %.1f%% %.0f", 100 * (b - a) / s, 100 * (xb - xa) / s, rss / 1024 }'
}

# One screen size, inside its session: a row per sprite count; at the first count of the first
# size also the locked session's share, into $WORK/locked.
measure_size() {  # WIDTHxHEIGHT[@PERCENT]
  local size=$1 count out frame full ratio growth steps share xshare rss locked
  local bshare bxshare brss
  for count in $COUNTS; do
    if [ -n "${EVERY:-}" ]; then
      # Monitors side by side, a scene on each: the paced saver only (the frame benchmark draws
      # one screen), and nothing beside it (an earlier build has no scenes to show there).
      read -r share xshare rss <<<"$(paced_share "$count")"
      printf '%-14s %7s %14s %14s %12s %11s %9s %16s %16s %12s\n' "$size" "$count" - - - - - "$share" "$xshare" "$rss"
      continue
    fi
    out=$(cd "$WORK" && timeout 300 wine "$BUILD/saver_bench.exe" --sprites "$count" --frames "$FRAMES" --paced "$PACED" 2>/dev/null | tr -d '\r')
    echo "$out" >"$WORK/bench-$size-$count.txt"
    grep -Eq "pictures ([0-9]+)/\1" <<<"$out" || echo "bench-saver: not every picture loaded: $(head -1 <<<"$out")" >&2
    frame=$(awk '/^frame median/ { print $3 }' <<<"$out")
    full=$(awk '/^full frame median/ { print $4 }' <<<"$out")
    ratio=$(awk '/^full frame median/ { print $NF }' <<<"$out")
    # Growth of the committed memory over the timed frames: what frames created and kept.
    growth=$(awk '/^committed memory/ { print $10 - $7 }' <<<"$out")
    steps=$(awk '/^paced [0-9.]+ s:/ { print $4 }' <<<"$out")
    read -r share xshare rss <<<"$(paced_share "$count")"
    if [ -n "$BESIDE" ]; then
      read -r bshare bxshare brss <<<"$(paced_share "$count" "" "$BESIDE")"
      share="$share ($bshare)"; xshare="$xshare ($bxshare)"; rss="$rss ($brss)"
    fi
    printf '%-14s %7s %11s ms %11s ms %12s %7s KiB %9s %16s %16s %12s\n' "$size" "$count" "$frame" "$full" "$ratio" "$growth" "$steps" "$share" "$xshare" "$rss"
    if [ ! -e "$WORK/locked" ]; then
      read -r share xshare rss <<<"$(paced_share "$count" locked)"
      locked="saver cpu $share, Xvfb cpu $xshare"
      if [ -n "$BESIDE" ]; then
        read -r bshare bxshare brss <<<"$(paced_share "$count" locked "$BESIDE")"
        locked="$locked (beside: saver cpu $bshare, Xvfb cpu $bxshare)"
      fi
      echo "$size $count sprites, session locked: $locked" >"$WORK/locked"
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

[ -z "$BESIDE" ] || [ -f "$BESIDE/Quarlo.scr" ] || { echo "bench-saver: $BESIDE/Quarlo.scr is missing" >&2; exit 1; }
printf '%-14s %7s %14s %14s %12s %11s %9s %16s %16s %12s\n' screen sprites "frame median" "full frame" "chosen/full" "memory +" "steps/s" "saver cpu" "Xvfb cpu" "saver MiB"
for size in $SIZES; do
  # WIDTHxHEIGHT@PERCENT: the session's display at that scale (96 dpi is 100 %).
  percent=${size#*@}; [ "$percent" != "$size" ] || percent=100
  screen=${size%@*}
  if [[ $screen =~ ^([0-9]+)x([0-9]+x[0-9]+)$ ]]; then
    # NxWIDTHxHEIGHT: N such monitors side by side, every monitor its own scene.
    monitors=
    for ((i = 0; i < BASH_REMATCH[1]; ++i)); do
      monitors+="${monitors:+,}${BASH_REMATCH[2]}+$((i * ${BASH_REMATCH[2]%x*}))+0"
    done
    /usr/bin/python3 "$ROOT/tests/e2e/harness.py" run --dpi $((96 * percent / 100)) \
      --monitors "$monitors" -- env EVERY=1 bash "$0" --in-session "$size"
    continue
  fi
  /usr/bin/python3 "$ROOT/tests/e2e/harness.py" run --screen "$screen" --dpi $((96 * percent / 100)) \
    -- bash "$0" --in-session "$size"
done
[ ! -e "$WORK/locked" ] || cat "$WORK/locked"
