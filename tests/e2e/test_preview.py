"""The preview face under Wine: Quarlo.scr /p <handle> inside a stand-in host's preview pane.

The host is tests/e2e/helpers/pane_host.exe: a borderless window with one blue child pane of a
chosen size, which reports the pane's handle and screen rectangle, lists the pane's child windows
(and theirs) every 50 ms, and destroys the pane on request.

What the screen shows. Wine 8 draws a child window that belongs to another process straight onto
the X window of its top-level host, and on this X server that drawing never reaches the screen:
a pane attached across processes stays the host's blue in every screenshot, whatever draws into
it. The picture is therefore checked where the preview is its own top-level window on the
screen: with the desktop window as its host, it covers the screen and shows the picture at the
top-left, at its own size, on black."""

import time
import unittest
from pathlib import Path

import numpy as np
from PIL import Image

from harness import REPO, WineSession, helper_path, product_path

PREVIEW_JPG = REPO / "assets" / "preview.jpg"
PICTURE_W, PICTURE_H = 152, 112
# Two JPEG decoders (the program's and Pillow's) may differ by a few levels per channel.
MEAN_TOLERANCE = 4.0
PERCENTILE_99_TOLERANCE = 32
BLACK_LIMIT = 8  # no channel brighter than this counts as black
QUICK_EXIT_S = 1.0
REQUEST_EXIT_S = 2.0  # a close request from another program ends the preview within this
WS_CHILD = 0x40000000
WS_POPUP = 0x80000000


class PaneHost:
    """One running pane_host.exe and the files it writes."""

    def __init__(self, session, name, x, y, width, height):
        self.session = session
        self.dir = session.root / name
        self.dir.mkdir()
        self.proc = session.start(helper_path("pane_host"), session.win_path(self.dir),
                                  str(x), str(y), str(width), str(height))
        self.size = (width, height)
        fields = self._wait_text("pane.txt", 15).split()
        self.handle = int(fields[0])
        self.rect = tuple(int(v) for v in fields[1:5])  # left, top, right, bottom on the screen
        self.desktop = int(fields[5])

    def _wait_text(self, name, timeout):
        path = self.dir / name
        deadline = time.monotonic() + timeout
        while not path.exists():
            if not self.session.is_running(self.proc):
                raise AssertionError(f"pane_host ended early: {self.proc.log()}")
            if time.monotonic() > deadline:
                raise TimeoutError(f"pane_host wrote no {name} within {timeout} s")
            time.sleep(0.05)
        return path.read_text("utf-8")

    def report(self):
        """(pane alive?, [child records]) from the latest children.txt."""
        lines = self._wait_text("children.txt", 5).splitlines()
        children = []
        for line in lines[1:]:
            head, _, title = line.partition(" title=")
            parts = head.split()
            record = {"handle": int(parts[1]), "x": int(parts[2]), "y": int(parts[3]),
                      "width": int(parts[4]), "height": int(parts[5]),
                      "visible": parts[6] == "visible=1"}
            if parts[0] == "inner":
                children[-1]["inner"].append(record)
            else:
                record.update(style=int(parts[7][8:], 16), title=title, inner=[])
                children.append(record)
        return lines[0] == "pane alive", children

    def wait_child(self, timeout=15):
        """The pane's one child window, once it is visible."""
        deadline = time.monotonic() + timeout
        while True:
            alive, children = self.report()
            if alive and len(children) == 1 and children[0]["visible"]:
                return children[0]
            if time.monotonic() > deadline:
                raise TimeoutError(f"pane {self.handle} has children {children} after {timeout} s")
            time.sleep(0.1)

    def destroy_pane(self):
        (self.dir / "destroy").write_text("")

    def close(self):
        (self.dir / "quit").write_text("")
        try:
            self.session.wait_exit(self.proc, 5)
        except TimeoutError:
            self.session.kill(self.proc)


def picture():
    return np.asarray(Image.open(PREVIEW_JPG).convert("RGB"), dtype=np.int16)


def time_to_exit(session, proc, timeout=10):
    """Seconds from now until the process ends, and its exit status."""
    started = time.monotonic()
    status = session.wait_exit(proc, timeout)
    return time.monotonic() - started, status


class PreviewTest(unittest.TestCase):
    session = None

    @classmethod
    def setUpClass(cls):
        for path in (product_path(), helper_path("pane_host"), helper_path("window_holder")):
            if not Path(path).is_file():
                raise FileNotFoundError(f"{path} is missing: build the win32 preset first")
        cls.session = WineSession(audio=False).__enter__()
        cls.hosts = 0

    @classmethod
    def tearDownClass(cls):
        if cls.session is not None:
            cls.session.close()

    def setUp(self):
        self.started = []

    def tearDown(self):
        for proc in self.started:
            if self.session.is_running(proc):
                self.session.kill(proc)

    def host(self, width, height, x=40, y=40):
        type(self).hosts += 1
        pane = PaneHost(self.session, f"pane{self.hosts}", x, y, width, height)
        self.addCleanup(pane.close)
        return pane

    def preview(self, *args):
        proc = self.session.start(product_path(), *args)
        self.started.append(proc)
        return proc

    def assert_shows_picture(self, shown, expected, what):
        diff = np.abs(shown - expected)
        mean, p99 = float(diff.mean()), float(np.percentile(diff, 99))
        self.assertLessEqual(mean, MEAN_TOLERANCE, f"{what}: mean difference {mean:.2f}")
        self.assertLessEqual(p99, PERCENTILE_99_TOLERANCE, f"{what}: 99th percentile {p99}")

    def assert_covers(self, pane, child):
        """The preview window and its picture area both cover the pane exactly."""
        width, height = pane.size
        self.assertEqual((child["x"], child["y"], child["width"], child["height"]),
                         (0, 0, width, height), "preview window in the pane")
        self.assertEqual(child["title"], "Preview Window")
        self.assertTrue(child["style"] & WS_CHILD, f"style {child['style']:#x} lacks WS_CHILD")
        self.assertFalse(child["style"] & WS_POPUP, f"style {child['style']:#x} keeps WS_POPUP")
        self.assertEqual(len(child["inner"]), 1, f"picture areas: {child['inner']}")
        area = child["inner"][0]
        self.assertEqual((area["x"], area["y"], area["width"], area["height"], area["visible"]),
                         (0, 0, width, height, True), "picture area in the preview window")

    def test_the_preview_covers_the_usual_pane_and_ends_with_it(self):
        pane = self.host(PICTURE_W, PICTURE_H)
        proc = self.preview("/p", str(pane.handle))
        self.assert_covers(pane, pane.wait_child())
        # Attached, not left behind as a top-level window of its own.
        self.assertEqual(self.session.find_windows("Preview Window"), [])

        pane.destroy_pane()
        took, status = time_to_exit(self.session, proc)
        self.assertEqual(status, 0)
        # The host notices the request within 50 ms.
        self.assertLess(took, QUICK_EXIT_S + 0.05,
                        f"the preview took {took:.2f} s to end after its pane was destroyed")

    def test_a_close_request_sent_by_another_program_ends_it_as_its_host_would(self):
        for request in ("WM_CLOSE", "SC_CLOSE"):
            with self.subTest(request=request):
                pane = self.host(PICTURE_W, PICTURE_H, x=300, y=40)
                proc = self.preview("/p", str(pane.handle))
                child = pane.wait_child()
                self.session.send_request(request, child["handle"])
                took, status = time_to_exit(self.session, proc)
                self.assertEqual(status, 0)
                self.assertLess(took, REQUEST_EXIT_S, f"the preview took {took:.2f} s to end")
                self.assertTrue(self.session.is_running(pane.proc), "the host went too")
                pane.close()

    def test_larger_and_smaller_panes_are_covered_whole(self):
        for size, switch in (((300, 200), "/p "), ((100, 80), "/P:"), ((640, 400), "-p ")):
            with self.subTest(size=size, switch=switch):
                pane = self.host(*size, x=200, y=200)
                proc = self.preview(*(switch + str(pane.handle)).split(" "))
                self.assert_covers(pane, pane.wait_child())
                pane.destroy_pane()
                self.assertEqual(self.session.wait_exit(proc, 5), 0)
                pane.close()

    def test_a_pane_too_wide_for_16_bit_twips_is_covered_up_to_the_limit(self):
        # 2300 px are 34500 twips; the preview stops at 32767 twips, 2184 px, and keeps running.
        pane = self.host(2300, 60, x=0, y=600)
        proc = self.preview("/p", str(pane.handle))
        child = pane.wait_child()
        self.assertEqual((child["x"], child["y"], child["width"], child["height"]), (0, 0, 2184, 60))
        self.assertEqual([(a["width"], a["height"]) for a in child["inner"]], [(2184, 60)])
        self.assertTrue(self.session.is_running(proc))
        pane.destroy_pane()
        self.assertEqual(self.session.wait_exit(proc, 5), 0)

    def test_on_the_desktop_the_picture_shows_top_left_at_its_own_size_on_black(self):
        pane = self.host(10, 10, x=1000, y=740)  # only to learn the desktop window's handle
        desktop = pane.desktop
        pane.close()
        self.preview("/p", str(desktop))
        self.session.wait_window("Preview Window")
        expected = picture()
        deadline = time.monotonic() + 5
        while True:  # painting may lag the window's appearance
            shown = np.asarray(self.session.screenshot(), dtype=np.int16)
            corner = shown[:PICTURE_H, :PICTURE_W]
            if np.abs(corner - expected).mean() <= MEAN_TOLERANCE or time.monotonic() > deadline:
                break
            time.sleep(0.1)
        Image.fromarray(shown.astype(np.uint8)).save(self.session.root / "desktop.png")
        self.assert_shows_picture(corner, expected, "top-left of the screen")
        self.assertLessEqual(int(shown[:, PICTURE_W + 1:].max()), BLACK_LIMIT,
                             "right of the picture is not black")
        self.assertLessEqual(int(shown[PICTURE_H + 1:, :].max()), BLACK_LIMIT,
                             "below the picture is not black")

    def test_two_previews_run_at_once_in_two_panes(self):
        panes = [self.host(PICTURE_W, PICTURE_H, x=40, y=300),
                 self.host(PICTURE_W, PICTURE_H, x=300, y=300)]
        procs = [self.preview("/p", str(pane.handle)) for pane in panes]
        for pane in panes:
            self.assert_covers(pane, pane.wait_child())
        self.assertTrue(all(self.session.is_running(proc) for proc in procs))
        # Ending one leaves the other running.
        panes[0].destroy_pane()
        took, status = time_to_exit(self.session, procs[0])
        self.assertEqual(status, 0)
        self.assertLess(took, QUICK_EXIT_S + 0.05)
        self.assertTrue(self.session.is_running(procs[1]))
        self.assertEqual(len(panes[1].report()[1]), 1)

    def test_a_handle_that_names_no_window_ends_the_process_at_once(self):
        gone = self.host(PICTURE_W, PICTURE_H)
        gone.close()
        # 99999999 is no window: Wine's handles are small numbers, and none is this one.
        for text in ("/p 0", "/p 99999999", "/p garbage", f"/p {gone.handle}"):
            with self.subTest(text):
                proc = self.preview(*text.split(" "))
                took, status = time_to_exit(self.session, proc)
                self.assertEqual(status, 0)
                self.assertLess(took, QUICK_EXIT_S, f"{text} took {took:.2f} s to end")

    def test_no_preview_starts_while_the_saver_or_the_dialog_of_another_copy_is_shown(self):
        for title in ("Quarlo_Main", "Quarloの設定"):
            with self.subTest(title):
                holder = self.session.start(helper_path("window_holder"), title)
                self.started.append(holder)
                self.session.wait_window(title)
                pane = self.host(PICTURE_W, PICTURE_H, x=600, y=40)
                proc = self.preview("/p", str(pane.handle))
                took, status = time_to_exit(self.session, proc)
                self.assertEqual(status, 0)
                self.assertLess(took, QUICK_EXIT_S, f"took {took:.2f} s to end")
                time.sleep(0.1)  # one more report of the pane
                self.assertEqual(pane.report(), (True, []))
                self.session.kill(holder)
                pane.close()


if __name__ == "__main__":
    unittest.main()
