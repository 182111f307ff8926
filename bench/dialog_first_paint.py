#!/usr/bin/python3
"""How long the settings dialog takes from its start to its first paint.

    /usr/bin/python3 bench/dialog_first_paint.py [--runs 7] [--exe path/to/Quarlo.scr]

Each run starts Quarlo.scr /c in one Wine session (1024 x 768, Japanese) and polls the screen until
the panel's gradient shows: its brightest row is grey 250, which nothing else on the screen is.
It prints each run and the median, in ms after the process was started. Wine's own start-up is
part of the figure; the screen is polled as fast as it can be taken, so the figure is late by up
to one screenshot."""

import argparse
import statistics
import sys
import time
from pathlib import Path

import numpy as np

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
from harness import WineSession, product_path, wait_until  # noqa: E402

PANEL_BRIGHTEST = (250, 250, 250)
TITLE = "Quarloの設定"


def painted(session):
    shot = np.asarray(session.screenshot())
    return np.all(shot == PANEL_BRIGHTEST, axis=2).sum() >= 300


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--exe", type=Path, default=None)
    args = parser.parse_args()
    exe = args.exe or product_path()
    with WineSession(screen=(1024, 768), audio=False) as s:
        folder = s.root / "dialog"
        folder.mkdir()
        (folder / "Quarlo.scr").write_bytes(exe.read_bytes())
        (folder / "Quarlo.ini").write_bytes("[Section]\r\nQuarloの数= 50\r\n".encode("cp932"))
        times = []
        for run in range(args.runs + 1):  # the first run warms Wine's caches and is left out
            started = time.monotonic()
            proc = s.start(folder / "Quarlo.scr", "/c")
            wait_until(lambda: painted(s), 30, "the dialog's panel", interval=0)
            elapsed = (time.monotonic() - started) * 1000
            s.key("Escape", s.wait_window(TITLE, 10))
            s.wait_exit(proc, 15)
            wait_until(lambda: not painted(s), 15, "the dialog gone")
            if run > 0:
                times.append(elapsed)
                print(f"run {run}: first paint {elapsed:.0f} ms after start", flush=True)
        print(f"{exe}: median {statistics.median(times):.0f} ms, slowest {max(times):.0f} ms")


if __name__ == "__main__":
    main()
