#!/usr/bin/python3
"""How long the saver takes from its start to its first frame on the screen, at a display scale.

    /usr/bin/python3 bench/first_frame.py [--dpi 288] [--screen 1920x1080] [--runs 5]

Each run starts Quarlo.scr /s (no sprites, no music) in a fresh Wine session at that dpi (288 is
300 %), and polls the screen until the walking figure shows; it prints each run and the median,
in ms after the process was started. Wine's own start-up is part of the figure; the screen is
polled every few ms, so the figure is late by up to one poll."""

import argparse
import statistics
import sys
import time
from pathlib import Path

import numpy as np

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
from harness import WineSession, product_path, wait_until  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dpi", type=int, default=288)
    parser.add_argument("--screen", default="1920x1080")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    width, height = (int(v) for v in args.screen.split("x"))
    # The centre of the screen, where the figure stands at any scale.
    box = (width // 2 - 20, height // 2 - 20, width // 2 + 20, height // 2 + 20)
    with WineSession(screen=(width, height), audio=False, dpi=args.dpi) as s:
        folder = s.root / "saver"
        folder.mkdir()
        (folder / "Quarlo.scr").write_bytes(product_path().read_bytes())
        (folder / "Quarlo.ini").write_bytes(b"[Section]\r\nQuarlo\x82\xcc\x90\x94=-1\r\n")
        times = []
        for run in range(args.runs + 1):  # the first run warms Wine's caches and is left out
            started = time.monotonic()
            proc = s.start(folder / "Quarlo.scr", "/s")
            wait_until(lambda: (np.asarray(s.screenshot(box), dtype=np.int16).max(axis=2) > 40)
                       .mean() > 0.2, 30, "the figure", interval=0)
            elapsed = (time.monotonic() - started) * 1000
            s.key("space")
            s.wait_exit(proc, 15)
            if run > 0:
                times.append(elapsed)
                print(f"run {run}: first frame {elapsed:.0f} ms after start", flush=True)
        print(f"{args.screen} at {args.dpi} dpi: median {statistics.median(times):.0f} ms, "
              f"slowest {max(times):.0f} ms")


if __name__ == "__main__":
    main()
