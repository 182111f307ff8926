#!/usr/bin/python3
"""How long the settings dialog takes from its start to its first paint.

    /usr/bin/python3 bench/dialog_first_paint.py [--runs 9] [--exe A.scr [--exe B.scr]]

Each run starts Quarlo.scr /c in one Wine session (1024 x 768, Japanese) and polls the screen until
the panel's gradient shows: its brightest row is grey 250, which nothing else on the screen is.
Then, for a program that has the line under the settings, until the line shows what stops the
saver (no saver is chosen in the session): its dark red text. Given several programs, the runs
take them in turn, so that the machine's load falls on each alike. It prints each run and the
medians, in ms after the process was started. Wine's own start-up is part of the figures. The
screen is read straight from the X server (XGetImage, a few ms a look), so a figure is late by
up to one look."""

import argparse
import ctypes
import statistics
import sys
import time
from pathlib import Path

import numpy as np

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
from harness import WineSession, product_path, wait_until  # noqa: E402

PANEL_BRIGHTEST = (250, 250, 250)
LINE_STOPS = (0xA0, 0x00, 0x00)
TITLE = "Quarloの設定"


class XImage(ctypes.Structure):
    """The head of Xlib's XImage, and its destroy_image, the first of its functions after it."""
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int),
                ("red_mask", ctypes.c_ulong), ("green_mask", ctypes.c_ulong),
                ("blue_mask", ctypes.c_ulong), ("obdata", ctypes.c_void_p),
                ("create_image", ctypes.c_void_p),
                ("destroy_image", ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p))]


class Screen:
    """The session's screen as 0xRRGGBB numbers, read with XGetImage (ZPixmap, 32 bits a pixel)."""

    def __init__(self, session):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x11.XGetImage.restype = ctypes.POINTER(XImage)
        self.x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                       ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.display = self.x11.XOpenDisplay(session.display.encode())
        self.root = self.x11.XDefaultRootWindow(self.display)
        self.size = session.screen_size

    def pixels(self):
        width, height = self.size
        image = self.x11.XGetImage(self.display, self.root, 0, 0, width, height, 0xFFFFFFFF, 2)
        head = image.contents
        raw = ctypes.string_at(head.data, head.bytes_per_line * height)
        rows = np.frombuffer(raw, dtype=np.uint32).reshape(height, head.bytes_per_line // 4)
        found = rows[:, :width] & 0xFFFFFF
        head.destroy_image(ctypes.addressof(head))
        return found


def shows(screen, colour, pixels):
    red, green, blue = colour
    return (screen.pixels() == (red << 16 | green << 8 | blue)).sum() >= pixels


def run_once(session, screen, exe):
    """(first paint, the line or None) in ms after the start."""
    started = time.monotonic()
    proc = session.start(exe, "/c")
    wait_until(lambda: shows(screen, PANEL_BRIGHTEST, 300), 30, "the dialog's panel", interval=0)
    painted = (time.monotonic() - started) * 1000
    try:
        wait_until(lambda: shows(screen, LINE_STOPS, 20), 3, "the line", interval=0)
        line = (time.monotonic() - started) * 1000
    except TimeoutError:  # a program without the line
        line = None
    session.key("Escape", session.wait_window(TITLE, 10))
    session.wait_exit(proc, 15)
    wait_until(lambda: not shows(screen, PANEL_BRIGHTEST, 300), 15, "the dialog gone")
    return painted, line


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=9)
    parser.add_argument("--exe", type=Path, action="append")
    args = parser.parse_args()
    with WineSession(screen=(1024, 768), audio=False) as s:
        screen = Screen(s)
        programs = []
        for number, exe in enumerate(args.exe or [product_path()]):
            folder = s.root / f"dialog{number}"
            folder.mkdir()
            (folder / "Quarlo.scr").write_bytes(exe.read_bytes())
            (folder / "Quarlo.ini").write_bytes("[Section]\r\nQuarloの数= 50\r\n".encode("cp932"))
            programs.append((exe, folder / "Quarlo.scr", [], []))
        for run in range(args.runs + 1):  # the first run warms Wine's caches and is left out
            for exe, copy, paints, lines in programs:
                painted, line = run_once(s, screen, copy)
                if run == 0:
                    continue
                paints.append(painted)
                lines += [line] if line is not None else []
                said = f", the line {line:.0f} ms" if line is not None else ""
                print(f"run {run} {exe}: first paint {painted:.0f} ms after start{said}",
                      flush=True)
        for exe, _, paints, lines in programs:
            print(f"{exe}: first paint median {statistics.median(paints):.0f} ms, slowest "
                  f"{max(paints):.0f} ms" +
                  (f"; the line median {statistics.median(lines):.0f} ms" if lines else ""))


if __name__ == "__main__":
    main()
