"""The saver face under Wine: Quarlo.scr /s (and with no arguments) on a 1024 x 768 screen.

The saver runs from a folder of its own, with a settings file that asks for the default 50
sprites and no music, so that nothing left beside the build's copy changes what it shows.
The harness's prefix keeps Wine's windows unmanaged, so the saver closes, and its process ends,
as promptly as on Windows."""

import re
import subprocess
import time
import unittest
from pathlib import Path

import numpy as np

from harness import AWAY_DESKTOP, WineSession, helper_path, product_path, wait_until

SCREEN_W, SCREEN_H = 1024, 768
CELL = (448, 236, 448 + 128, 236 + 295)  # where the walking figure's cell lands on this screen
BLACK_LIMIT = 40   # a pixel with every channel at most this counts as black (JPEG fringes)
QUICK_EXIT_S = 1.0
REQUEST_EXIT_S = 2.0  # a close request or another program's activation ends it within this
# A sprite falls at most 0.7 px a frame, at most 60 frames a second, and enters with its top
# edge at -10: its lowest row is at most this far down t seconds after the saver started.
MAX_FALL_PX_PER_S = 0.7 * 60


def lit(image, box=None):
    """A boolean array: True where a pixel of the screenshot (or the box of it) is not black."""
    pixels = np.asarray(image.crop(box) if box else image, dtype=np.int16)
    return pixels.max(axis=2) > BLACK_LIMIT


def sprite_rows(image):
    """Rows of the screen with any lit pixel outside the figure's cell."""
    mask = lit(image)
    left, top, right, bottom = CELL
    mask[top:bottom, left:right] = False
    return np.nonzero(mask.any(axis=1))[0]


def wait_painted(session):
    """Mapped is not yet painted: on a busy machine the first frame may come a little later."""
    wait_until(lambda: lit(session.screenshot(), CELL).mean() > 0.10, 10, "the first frame")


def walk_detector(session, box=CELL):
    """A function that says whether the figure's cell (or the box) changed since it was last
    asked."""
    cell = lambda: np.asarray(session.screenshot(box), dtype=np.int16)  # noqa: E731
    last = [cell()]

    def changed():
        now = cell()
        moved = np.abs(now - last[0]).max() > 60
        last[0] = now
        return moved
    return changed


class SaverTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = WineSession(screen=(SCREEN_W, SCREEN_H), audio=False)
        cls.session.__enter__()
        s = cls.session
        cls.folder = s.root / "saver"
        cls.folder.mkdir()
        cls.saver = cls.folder / "Quarlo.scr"
        cls.saver.write_bytes(product_path().read_bytes())
        cls.write_settings(50)

    @classmethod
    def tearDownClass(cls):
        cls.session.__exit__(None, None, None)

    @classmethod
    def write_settings(cls, sprite_count):
        text = f"[Section]\r\nQuarloの数={sprite_count}\r\nBGM区分=0\r\n"
        (cls.folder / "Quarlo.ini").write_bytes(text.encode("cp932"))

    def tearDown(self):
        self.write_settings(50)

    def start(self, *args, trace=None, desktop=None):
        """Starts the saver (on `desktop`, see WineSession.start) and waits for its window;
        returns (process, window, start time). `trace` names Wine debug channels to record in
        the process's log."""
        s = self.session
        plain_env = s.env
        if trace:
            s.env = dict(plain_env, WINEDEBUG=trace)
        try:
            started = time.monotonic()
            proc = s.start(self.saver, *args, desktop=desktop)
        finally:
            s.env = plain_env
        xid = s.wait_window("Quarlo_Main", timeout=20)
        self.addCleanup(s.kill, proc)
        return proc, xid, started

    def wait_walking_on(self, steps=5):
        """Waits until the figure has changed its cell `steps` times more: the saver is still
        running frames after whatever came before."""
        changed = walk_detector(self.session)
        for _ in range(steps):
            wait_until(changed, 10, "the figure walks on")

    def assert_covers_screen(self, xid):
        self.assertEqual(self.session.window_geometry(xid), (0, 0, SCREEN_W, SCREEN_H))

    def assert_ends_within(self, proc, seconds, what):
        began = time.monotonic()
        try:
            code = self.session.wait_exit(proc, seconds + 2)
        except TimeoutError:
            self.fail(f"{what} did not end the saver: still running after {seconds + 2} s")
        took = time.monotonic() - began
        self.assertEqual(code, 0, proc.log())
        self.assertLess(took, seconds, f"{what} ended the saver only after {took:.2f} s")

    # --- What the user sees ----------------------------------------------------------------------

    def test_saver_covers_the_screen_walks_and_fills_from_the_top(self):
        proc, xid, started = self.start("/s")
        self.assert_covers_screen(xid)
        wait_painted(self.session)
        shots = []
        for _ in range(12):
            shots.append((time.monotonic() - started, self.session.screenshot()))
            time.sleep(0.4)
        self.assertTrue(self.session.is_running(proc))

        cells = [np.asarray(shot.crop(CELL), dtype=np.int16) for _, shot in shots]
        for when, shot in shots:
            self.assertGreater(lit(shot, CELL).mean(), 0.10, f"no figure in its cell at {when:.1f} s")
        changes = sum(np.abs(a - b).max() > 60 for a, b in zip(cells, cells[1:]))
        self.assertGreaterEqual(changes, 8, "the figure's cell should change as the figure walks")

        # The screen fills from the top: every sprite seen so far entered at the top edge and
        # cannot have fallen further than the pace allows.
        seen_any = False
        for when, shot in shots:
            rows = sprite_rows(shot)
            if rows.size:
                seen_any = True
                lowest = rows.max()
                self.assertLessEqual(lowest, -10 + 60 + MAX_FALL_PX_PER_S * when + 2,
                                     f"a sprite at row {lowest} only {when:.1f} s after the start")
        self.assertTrue(seen_any, "no sprite entered the screen within five seconds")
        first_rows = sprite_rows(shots[0][1])
        self.assertTrue(first_rows.size == 0 or first_rows.min() == 0,
                        "the first sprites enter at the top edge")

        self.session.key("space")
        self.assert_ends_within(proc, QUICK_EXIT_S, "space")

    def test_saver_is_shown_then_made_topmost_without_moving_or_activating(self):
        """Wine on this X server keeps no topmost window above a window another process opens
        later (there is no window manager to ask), so the screen cannot show it; Wine's own
        trace of the window calls shows what the saver asked of the system."""
        s = self.session
        proc, xid, _ = self.start("/s", trace="trace+win")
        self.assert_covers_screen(xid)
        wait_painted(self.session)
        s.key("Escape")
        self.assert_ends_within(proc, QUICK_EXIT_S, "Escape")
        calls = re.findall(r"NtUserSetWindowPos hwnd (0x[0-9a-f]+), after (\S+), "
                           r"(-?\d+),(-?\d+) \((\d+)x(\d+)\), flags ([0-9a-f]+)", proc.log())
        main = [c for c in calls if c[4:6] == ("1024", "768")][0][0]
        mine = [c[1:] for c in calls if c[0] == main]
        topmost = ("0xffffffff", "0", "0", "0", "0", "00000013")
        self.assertIn(topmost, mine, f"no topmost request among {mine}")
        shown = [i for i, c in enumerate(mine) if int(c[5], 16) & 0x40]  # SWP_SHOWWINDOW
        self.assertTrue(shown and shown[0] < mine.index(topmost), "shown before made topmost")

    # --- Input ---------------------------------------------------------------------------------------

    def test_moving_the_mouse_leaves_it_running_and_a_click_ends_it(self):
        proc, _, _ = self.start("/s")
        wait_painted(self.session)
        for x, y in ((10, 10), (1000, 20), (900, 700), (20, 740), (512, 384), (3, 600)):
            self.session.move_mouse(x, y)
        self.wait_walking_on()
        self.assertTrue(self.session.is_running(proc), "moving the mouse ended the saver")
        self.session.click(300, 200)
        self.assert_ends_within(proc, QUICK_EXIT_S, "a click")

    def test_a_click_of_the_right_button_ends_it_too(self):
        proc, _, _ = self.start("/s")
        wait_painted(self.session)
        self.session.click(700, 500, button=3)
        self.assert_ends_within(proc, QUICK_EXIT_S, "a right click")

    def test_every_kind_of_key_ends_it(self):
        for keysym in ("a", "shift", "ctrl", "alt", "Left", "F5"):
            with self.subTest(key=keysym):
                proc, _, _ = self.start("/s")
                wait_painted(self.session)
                self.session.key(keysym)
                self.assert_ends_within(proc, QUICK_EXIT_S, keysym)

    def test_with_no_arguments_it_runs_the_same_way(self):
        proc, xid, _ = self.start()
        self.assert_covers_screen(xid)
        wait_painted(self.session)
        self.session.move_mouse(700, 500)
        self.wait_walking_on()
        self.assertTrue(self.session.is_running(proc))
        self.session.key("x")
        self.assert_ends_within(proc, QUICK_EXIT_S, "x")

    # --- Nobody watching ----------------------------------------------------------------------------

    def test_a_locked_session_stills_the_picture_until_unlocked_and_keys_still_end_it(self):
        proc, _, _ = self.start("/s", desktop=AWAY_DESKTOP)
        s = self.session
        changed = walk_detector(self.session)
        wait_until(changed, 10, "the figure walks")
        s.post_session_change(7, desktop=AWAY_DESKTOP)
        # The frame that was on its way may still land; then the picture stands.
        wait_until(lambda: not changed(), 10, "the picture stands still once the session is locked")
        still_since = time.monotonic()
        while time.monotonic() - still_since < 1.5:
            self.assertFalse(changed(), "a frame was shown while the session was locked")
        self.assertTrue(s.is_running(proc))
        s.post_session_change(8, desktop=AWAY_DESKTOP)
        wait_until(changed, 5, "the figure walks on once the session is unlocked")
        s.post_session_change(7, desktop=AWAY_DESKTOP)
        s.key("space")
        self.assert_ends_within(proc, QUICK_EXIT_S, "a key while locked")

    # --- Ended from outside -----------------------------------------------------------------------

    def test_a_close_request_sent_by_another_program_ends_it_and_gives_the_system_back(self):
        """What EndSaver gives back shows in Wine's trace: the screen-saver-running flag cleared,
        the cursor shown again, the screen-saver activation switched on."""
        s = self.session
        for request in ("WM_CLOSE", "SC_CLOSE"):
            with self.subTest(request=request):
                proc, _, _ = self.start("/s", trace="trace+system,trace+cursor")
                # A no-op for a saver that handles it: the system's own screen-saver request.
                s.send_request("SC_SCREENSAVE", "Quarlo_Main")
                self.assertTrue(s.is_running(proc), "SC_SCREENSAVE ended the saver")
                s.send_request(request, "Quarlo_Main")
                self.assert_ends_within(proc, REQUEST_EXIT_S, f"a {request} sent by another program")
                given_back = re.findall(r"SystemParametersInfoA \((97|17), (\d+),|"
                                        r"NtUserShowCursor (1), count=0", proc.log())
                self.assertEqual(given_back[-3:], [("97", "0", ""), ("", "", "1"), ("17", "1", "")],
                                 f"the end of the trace: {given_back}")

    def test_another_program_taking_the_foreground_ends_it(self):
        for args in (("/s",), ()):
            with self.subTest(args=args):
                proc, xid, _ = self.start(*args)
                wait_until(lambda: self.session.focused_window() == xid, 5, "the saver active")
                holder = self.session.start(helper_path("window_holder"), "QuarloTestOtherProgram")
                self.addCleanup(self.session.kill, holder)
                self.session.wait_window("QuarloTestOtherProgram")
                self.assert_ends_within(proc, REQUEST_EXIT_S, "another program's activation")
                self.session.kill(holder)

    # --- Bad settings ------------------------------------------------------------------------------

    def test_extreme_sprite_counts_still_run_and_end_on_a_key(self):
        for count in (-1, 0, 300, 32767):
            with self.subTest(sprite_count=count):
                self.write_settings(count)
                proc, xid, _ = self.start("/s")
                wait_painted(self.session)
                self.assertTrue(self.session.is_running(proc), proc.log())
                self.session.key("Return")
                self.assert_ends_within(proc, QUICK_EXIT_S, f"a key with {count} sprites")


def start_beside_standin(test, session, saver, locked):
    """Starts the saver /s beside the stand-in wtsapi32.dll (tests/e2e/helpers), which answers the
    session query as Windows documents (Wine fails it), as locked or not, on a desktop without the
    input, as behind a locked session's logon screen: a session read as locked shows the first
    step and stands still. Waits for the saver's window."""
    (saver.parent / "wtsapi32.dll").write_bytes((helper_path("x").parent / "wtsapi32.dll")
                                               .read_bytes())
    plain_env = session.env
    session.env = dict(plain_env, WINEDLLOVERRIDES="wtsapi32=n",
                       QUARLO_SESSION_LOCKED="1" if locked else "0")
    try:
        proc = session.start(saver, "/s", desktop=AWAY_DESKTOP)
    finally:
        session.env = plain_env
    test.addCleanup(session.kill, proc)
    session.wait_window("Quarlo_Main", timeout=20)
    return proc


class Windows7SessionLockTest(unittest.TestCase):
    """Windows 7 reports the session's lock flags the other way round; read right, the saver walks
    in an unlocked session and stands still in a locked one. (Windows 10's answers are those of
    EveryMonitorSaverTest.)"""

    def test_the_saver_animates_in_an_unlocked_session_and_stands_still_in_a_locked_one(self):
        with WineSession(screen=(SCREEN_W, SCREEN_H), audio=False, windows="win7") as s:
            saver = s.root / "Quarlo.scr"
            saver.write_bytes(product_path().read_bytes())
            for locked in (False, True):
                with self.subTest(locked=locked):
                    proc = start_beside_standin(self, s, saver, locked)
                    wait_painted(s)
                    changed = walk_detector(s)
                    if locked:
                        # An absence has no event to wait on: no step for two seconds.
                        still_until = time.monotonic() + 2
                        while time.monotonic() < still_until:
                            self.assertFalse(changed(), "a step shown in a locked session")
                    else:
                        wait_until(changed, 10, "the figure walks in an unlocked session")
                    s.key("space")
                    self.assertEqual(s.wait_exit(proc, QUICK_EXIT_S + 5), 0)


class TwoMonitorSaverTest(unittest.TestCase):
    """Two monitors: Xvfb's two screens joined by Xinerama, both with their top-left corner at
    the origin, so that the second (800 x 600) overlaps the primary (1024 x 768)."""

    SECOND = (800, 600)

    @classmethod
    def setUpClass(cls):
        cls.session = WineSession(screen=(SCREEN_W, SCREEN_H), audio=False,
                                  more_screens=[cls.SECOND]).__enter__()
        folder = cls.session.root / "saver"
        folder.mkdir()
        cls.saver = folder / "Quarlo.scr"
        cls.saver.write_bytes(product_path().read_bytes())
        (folder / "Quarlo.ini").write_bytes("[Section]\r\nQuarloの数=50\r\nBGM区分=0\r\n"
                                            .encode("cp932"))

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def test_the_second_monitor_gets_a_black_window_and_one_key_ends_every_window(self):
        s = self.session
        proc = s.start(self.saver, "/s")
        self.addCleanup(s.kill, proc)
        s.wait_window("Quarlo_Main", timeout=20)
        windows = wait_until(lambda: len(s.visible_windows()) == 2 and s.visible_windows(), 10,
                             "the saver and one more window")
        by_title = {title: geometry for _, title, geometry in windows}
        self.assertEqual(by_title, {"Quarlo_Main": (0, 0, SCREEN_W, SCREEN_H),
                                    "": (0, 0) + self.SECOND}, windows)
        # The saver stays above the covering window where the monitors overlap.
        wait_until(lambda: lit(s.screenshot(), CELL).mean() > 0.10, 5, "the figure on top")
        s.move_mouse(700, 500)
        s.move_mouse(100, 100)
        self.assertTrue(s.is_running(proc), "moving the mouse ended the saver")
        s.key("a")
        self.assertEqual(s.wait_exit(proc, QUICK_EXIT_S + 2), 0)
        self.assertEqual(s.visible_windows(), [])


class EveryMonitorSaverTest(unittest.TestCase):
    """Every monitor its own scene: two monitors side by side (Xorg's dummy driver), a 1920 x 1080
    primary and a 1280 x 1024 one to its right, as Windows 10 answers the session query (see
    start_beside_standin): a locked session shows the same first step on every run, an unlocked
    one walks."""

    PRIMARY = (0, 0, 1920, 1080)
    RIGHT = (1920, 0, 1920 + 1280, 1024)

    @classmethod
    def setUpClass(cls):
        cls.session = WineSession(monitors=[(1920, 1080, 0, 0), (1280, 1024, 1920, 0)],
                                  audio=False).__enter__()
        cls.saver = cls.session.root / "Quarlo.scr"
        cls.saver.write_bytes(product_path().read_bytes())

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def run_saver(self, every_monitor, locked, looking):
        """Runs the saver with the choice on or off until looking() returns, then ends it with a
        key, every window with it."""
        s = self.session
        (self.saver.parent / "Quarlo.ini").write_bytes(
            ("[Section]\r\nQuarloの数=50\r\nBGM区分=0\r\n"
             f"全ﾓﾆﾀｰ={-1 if every_monitor else 0}\r\n").encode("cp932"))
        proc = start_beside_standin(self, s, self.saver, locked)
        result = looking()
        s.key("space")
        self.assertEqual(s.wait_exit(proc, QUICK_EXIT_S + 5), 0)
        wait_until(lambda: s.visible_windows() == [], 10, "no window left")
        return result

    def test_each_monitor_shows_its_own_scene_and_one_key_ends_them_all(self):
        s = self.session

        def standing(box):
            """The picture in the box once it shows the first step whole: lit, and the same on
            two looks in a row (a look may catch a frame half copied to the screen)."""
            looks = [None]

            def settled():
                look = np.asarray(s.screenshot(box))
                same = looks[-1] is not None and np.array_equal(look, looks[-1])
                looks.append(look)
                return same and lit(look).mean() > 0.005
            wait_until(settled, 10, f"the first step standing still at {box}")
            return looks[-1]

        # Each run seeds its sequence from the time of day: now and then a sprite enters at the
        # top edge in the first step of one run and not the other. Below the entering sprites
        # the first step shows the figure alone, the same on every run.
        below = 80

        def still():
            rows, columns = np.nonzero(lit(standing(self.RIGHT))[below:])
            return standing(self.PRIMARY), (columns.min() + columns.max() + 1) / 2, \
                (rows.min() + rows.max() + 1) / 2 + below

        primary_on, right_x, right_y = self.run_saver(True, True, still)
        primary_off = self.run_saver(False, True, lambda: standing(self.PRIMARY))
        differ = np.nonzero((primary_on[below:] != primary_off[below:]).any(axis=2))
        self.assertEqual(differ[0].size, 0, "the primary monitor shows what it shows with the "
                         f"choice off; it differs at rows {sorted(set(differ[0] + below))[:20]}")
        # The right monitor's figure, at its own centre: (1280 - 128) / 2, (1024 - 295) / 2.
        self.assertAlmostEqual(right_x, 576 + 64, delta=8)
        self.assertAlmostEqual(right_y, 364 + 147, delta=12)

        def walking():
            cells = [(1920 // 2 - 64, 1080 // 2 - 148, 1920 // 2 + 64, 1080 // 2 + 147),
                     (1920 + 576, 364, 1920 + 576 + 128, 364 + 295)]
            for changed, cell in [(walk_detector(s, cell), cell) for cell in cells]:
                wait_until(changed, 10, f"the figure walks at {cell}")
        self.run_saver(True, False, walking)


    def test_a_monitor_unplugged_and_plugged_back_twenty_times_leaves_a_window_over_each(self):
        """A display storm, with every monitor its scene and without: the right monitor goes and
        comes back 20 times, each change told to the saver as Windows tells it (Wine 8 sends no
        WM_DISPLAYCHANGE of its own); the saver runs on, a window over each monitor at its place,
        its memory flat."""
        s = self.session
        xrandr = lambda *args: subprocess.run(["xrandr", *args], env=s.env, check=True,  # noqa: E731
                                              capture_output=True)
        placed = [("Quarlo_Main", (0, 0, 1920, 1080)), ("", (1920, 0, 1280, 1024))]

        seen = []

        def covered(windows):
            s.run_windows_exe(helper_path("post_message"), "Quarlo_Main", "0x7E")
            seen[:] = sorted((title, box) for _, title, box in s.visible_windows())
            return seen == sorted(windows)

        def follow(windows, what):
            try:
                wait_until(lambda: covered(windows), 20, what)
            except TimeoutError:
                self.fail(f"{what}: the windows are {seen}")

        for every_monitor in (True, False):
            with self.subTest(every_monitor=every_monitor):
                (self.saver.parent / "Quarlo.ini").write_bytes(
                    f"[Section]\r\nQuarloの数=50\r\n全ﾓﾆﾀｰ={-1 if every_monitor else 0}\r\n"
                    .encode("cp932"))
                proc = s.start(self.saver, "/s")
                self.addCleanup(s.kill, proc)
                s.wait_window("Quarlo_Main", timeout=20)
                follow(placed, "a window over each monitor")
                resident = []
                for cycle in range(20):
                    xrandr("--output", "DUMMY1", "--off")
                    follow(placed[:1], f"cycle {cycle}: the primary alone")
                    xrandr("--output", "DUMMY1", "--mode", "1280x1024", "--pos", "1920x0")
                    follow(placed, f"cycle {cycle}: both again")
                    status = Path(f"/proc/{proc.pid}/status").read_text()
                    resident.append(int(re.search(r"VmRSS:\s+(\d+)", status).group(1)))
                self.assertLess(resident[-1] - resident[1], 8 * 1024,
                                f"resident KiB after each cycle: {resident}")
                s.key("space")
                self.assertEqual(s.wait_exit(proc, QUICK_EXIT_S + 5), 0)
                wait_until(lambda: s.visible_windows() == [], 10, "no window left")


class ScaledSaverTest(unittest.TestCase):
    """The saver at 125, 150 and 200 % (LogPixels 120, 144, 192), one session each, without
    sprites: the figure is laid out as at 100 % on a screen that many times smaller, so it is
    that many times larger here, centred, and made for the scale (no blur of a stretched one)."""

    def figure_box(self, image):
        rows, columns = np.nonzero(lit(image))
        return columns.min(), rows.min(), columns.max() + 1, rows.max() + 1

    def test_the_figure_grows_with_the_scale_and_stays_centred(self):
        sizes = {}
        for dpi in (96, 120, 144, 192):
            with self.subTest(dpi=dpi), WineSession(screen=(SCREEN_W, SCREEN_H), audio=False,
                                                    dpi=dpi) as s:
                folder = s.root / "saver"
                folder.mkdir()
                (folder / "Quarlo.scr").write_bytes(product_path().read_bytes())
                (folder / "Quarlo.ini").write_bytes(b"[Section]\r\nQuarlo\x82\xcc\x90\x94=-1\r\n")
                proc = s.start(folder / "Quarlo.scr", "/s")
                self.addCleanup(s.kill, proc)
                s.wait_window("Quarlo_Main", timeout=20)
                image = wait_until(lambda: (lambda i: lit(i).mean() > 0.005 and i)(s.screenshot()),
                                   10, "the figure")
                left, top, right, bottom = self.figure_box(image)
                sizes[dpi] = bottom - top
                self.assertAlmostEqual((left + right) / 2, SCREEN_W / 2, delta=dpi / 96 * 12)
                if dpi != 96:
                    scale = dpi / 96
                    self.assertAlmostEqual(sizes[dpi] / sizes[96], scale, delta=0.03,
                                           msg=f"figure {sizes[dpi]} px tall, {sizes[96]} at 96 dpi")
                s.key("space")
                self.assertEqual(s.wait_exit(proc, QUICK_EXIT_S + 2), 0)


if __name__ == "__main__":
    unittest.main()
