#!/usr/bin/python3
"""Runs Quarlo.scr on a private virtual display and records what it shows.

    /usr/bin/python3 tests/e2e/record_saver.py [build/win32/Quarlo.scr] [--out DIR] [--seconds S]

Starts the saver (/s); if its window "Quarlo_Main" does not appear, the settings dialog (/c,
window "Quarloの設定") instead. Records the first seconds as an animated GIF (saver.gif) and the
last frame as a still (saver.png) in the output folder (default out/), then presses a key to end
the program, cleans up, and prints the folder's path as the last line. Exits 1 when neither face
appears."""

import argparse
import sys
import time
from pathlib import Path

from PIL import Image

from harness import REPO, WineSession, WineUnavailable, product_path

# (command text, window title, key that ends it): the faces worth recording, best first.
FACES = (("/s", "Quarlo_Main", "space"), ("/c", "Quarloの設定", "Escape"))
FRAME_INTERVAL = 0.1


def open_face(session, program, faces, wait):
    """Starts each face in turn until one shows its window within `wait` seconds.
    Returns (face, process, window id), or (None, None, None) after saying what went wrong."""
    for face in faces:
        text, title, _ = face
        proc = session.start(program, *text.split())
        deadline = time.monotonic() + wait
        while time.monotonic() < deadline and session.is_running(proc):
            found = session.find_windows(title)
            if found:
                return face, proc, found[0]
            time.sleep(0.1)
        if session.is_running(proc):
            outcome = f"still running without it after {wait:g} s"
            session.kill(proc)
        else:
            outcome = f"ended with exit status {proc.popen.returncode}"
        print(f"{program.name} {text}: no window {title!r}; the program {outcome}", flush=True)
    return None, None, None


def record(session, seconds):
    """Screenshots every FRAME_INTERVAL s for `seconds`; returns [(image, ms it stays up)]."""
    shots, started = [], time.monotonic()
    while time.monotonic() - started < seconds:
        taken = time.monotonic()
        shots.append((session.screenshot(), taken))
        time.sleep(max(0.0, taken + FRAME_INTERVAL - time.monotonic()))
    # Each frame stays up until the next one was taken, so the GIF plays in real time.
    ends = [taken for _, taken in shots[1:]] + [time.monotonic()]
    return [(image, max(20, round((end - taken) * 1000)))
            for (image, taken), end in zip(shots, ends)]


def save(frames, out_dir):
    out_dir.mkdir(parents=True, exist_ok=True)
    images = [image.convert("P", palette=Image.Palette.ADAPTIVE) for image, _ in frames]
    images[0].save(out_dir / "saver.gif", save_all=True, append_images=images[1:],
                   duration=[ms for _, ms in frames], loop=0, optimize=False)
    frames[-1][0].save(out_dir / "saver.png")


def end_face(session, proc, xid, key):
    """Presses the face's key and reports whether the program ended by itself."""
    session.key(key, window=xid)
    try:
        status = session.wait_exit(proc, 10)
        print(f"{key} ended the program (exit status {status})")
    except TimeoutError:
        print(f"the program was still running 10 s after {key}; it is stopped with the session")


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program", nargs="?", type=Path, default=product_path())
    parser.add_argument("--out", type=Path, default=REPO / "out")
    parser.add_argument("--seconds", type=float, default=6.0)
    parser.add_argument("--wait", type=float, default=15.0,
                        help="seconds to wait for each face's window")
    args = parser.parse_args(argv)
    program = args.program.resolve()
    if not program.is_file():
        print(f"{program} not found: build it first (scripts/build.sh win32)", file=sys.stderr)
        return 1
    try:
        with WineSession() as session:
            face, proc, xid = open_face(session, program, FACES, args.wait)
            if face is None:
                print(f"{program.name} shows no face yet: nothing recorded", file=sys.stderr)
                return 1
            text, title, key = face
            print(f"recording {program.name} {text} (window {title!r}) for {args.seconds:g} s",
                  flush=True)
            frames = record(session, args.seconds)
            end_face(session, proc, xid, key)
    except WineUnavailable as error:
        print(f"cannot run Wine: {error}", file=sys.stderr)
        return 1
    save(frames, args.out)
    print(f"{len(frames)} frames: saver.gif and saver.png in")
    print(args.out.resolve())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
