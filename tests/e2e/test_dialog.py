"""The settings dialog under Wine: Quarlo.scr /c driven with the mouse and the keyboard.

Each test copies Quarlo.scr into a folder of its own, so that the Quarlo.ini beside it is the
test's, writes the stored settings there in code page 932, opens the dialog and reads the file
back after it has closed. The session's Wine draws the window frames itself (X11 Driver
"Decorated" = "N"), so the window's X geometry is its whole window rectangle and the close box
can be clicked.

The system's profile writer drops the blank in front of a number (" 50" is stored as "50"), so
the values are compared without it."""

import math
import shutil
import subprocess
import time
import unittest
from pathlib import Path

import numpy as np

from harness import WineSession, product_path, wait_until

TITLE = "Quarloの設定"
CHOOSER_TITLE = "ﾌｧｲﾙを選択"
CLIENT_W, CLIENT_H = 465, 193  # 6975 x 2895 twips
LINE_BAND = 855  # twips below them: the panel of the line under the settings, and a margin
OUTLINE = (0x00, 0x3C, 0x74)  # the image buttons' outline
SCREEN_W, SCREEN_H = 1024, 768
KEYS = ("Quarloの数", "BGM区分", "BGMﾘﾋﾟｰﾄ", "BGMﾌｧｲﾙ", "全ﾓﾆﾀｰ")
REQUEST_EXIT_S = 2.0  # a close request from another program ends the dialog within this

# Client-area pixels of the controls (twips / 15; the panel Pic_1 stands at 16, 16).
PIC = (16, 16)
CMD_SET = (284 + 40, 148 + 12)
CMD_CAN = (368 + 40, 148 + 12)
CMD_BGM = (PIC[0] + 120 + 14, PIC[1] + 72 + 10)
TRACK_FIELD = (PIC[0] + 120 + 10, PIC[1] + 32 + 10)
BAR = (PIC[0] + 276, PIC[1] + 36, 77, 17)  # left, top, width, height
BAR_ARROW = 17  # the arrow buttons are as wide as the bar is high
COUNT_LABEL = (PIC[0] + 360, PIC[1] + 40, 40, 13)
FILE_LABEL = (PIC[0] + 160, PIC[1] + 72, 257, 33)
MARKS = {i: (PIC[0] + 36 + 6, PIC[1] + y + 6) for i, y in ((1, 36), (0, 56), (2, 76))}
CAPTIONS = {i: (PIC[0] + 52 + 12, PIC[1] + y + 6) for i, y in ((1, 36), (0, 56), (2, 76))}
MONITOR_MARK, MONITOR_CAPTION = (PIC[0] + 276 + 6, PIC[1] + 62), (PIC[0] + 292 + 20, PIC[1] + 62)


def px(twips, dpi):
    return round(twips * dpi / 1440)


def ini_text(count=None, source=None, track=None, music=None):
    """A settings file as the program writes it; None leaves the key out."""
    lines = ["[Section]"]
    for key, value in zip(KEYS, (count, source, track, music)):
        if value is not None:
            lines.append(f"{key}={value}")
    return ("\r\n".join(lines) + "\r\n").encode("cp932")


def read_ini(path):
    """The four values of the settings file (code page 932), blanks round them removed."""
    values = {}
    for line in path.read_bytes().decode("cp932").splitlines():
        key, sep, value = line.partition("=")
        if sep and key in KEYS:
            values[key] = value.strip()
    return values


class Dialog:
    """One copy of the program in its own folder, and its settings dialog once opened."""

    def __init__(self, test, name, ini=None):
        self.session = test.session
        self.folder = self.session.root / name
        self.folder.mkdir()
        self.exe = self.folder / "Quarlo.scr"
        shutil.copy(product_path(), self.exe)
        self.ini = self.folder / "Quarlo.ini"
        if ini is not None:
            self.ini.write_bytes(ini)
        self.proc = None
        dpi = self.session.dpi
        self.size = (px(6975, dpi), px(2895 + LINE_BAND, dpi))  # the client area
        test.addCleanup(self.kill)

    def open(self, pointer=(400, 300)):
        self.session.move_mouse(*pointer)
        self.proc = self.session.start(self.exe, "/c")
        self.xid = self.session.wait_window(TITLE, 20)
        self.rect = self.session.window_geometry(self.xid)
        x, y, w, h = self.rect
        border = (w - self.size[0]) // 2
        self.client = (x + border, y + h - border - self.size[1])
        # The zoom animation and the first paint are over once the client area stops changing.
        self.wait_still()
        return self

    def kill(self):
        if self.proc is not None and self.session.is_running(self.proc):
            self.session.kill(self.proc)

    def at(self, point):
        return self.client[0] + point[0], self.client[1] + point[1]

    def click(self, point):
        """Moves onto the point and clicks there, as a hand does: an image button that has the
        focus takes a click only once the pointer has moved over it."""
        x, y = self.at(point)
        self.session.move_mouse(x - 1, y)
        self.session.click(x, y)

    def pixels(self, box=None):
        """The client area (or a box of it: left, top, width, height) as an RGB int array."""
        left, top, width, height = box or (0, 0, *self.size)
        x, y = self.at((left, top))
        return np.asarray(self.session.screenshot((x, y, x + width, y + height)), dtype=np.int16)

    def wait_still(self, timeout=10):
        deadline = time.monotonic() + timeout
        previous = self.pixels()
        while True:
            time.sleep(0.2)
            current = self.pixels()
            if np.array_equal(current, previous):
                return
            if time.monotonic() > deadline:
                raise TimeoutError("the dialog kept changing for {timeout} s")
            previous = current

    def chosen_marks(self):
        """The source indexes whose option mark shows the chosen (blue) picture."""
        chosen = []
        for index, point in MARKS.items():
            r, g, b = self.pixels((point[0], point[1], 1, 1))[0, 0]
            if b - r > 60 and b - g > 30:
                chosen.append(index)
        return sorted(chosen)

    def thumb_span(self):
        """First and last column of the bar's thumb, counted from the bar's left edge. The
        thumb's outline has the colour of the arrow buttons' outline (the bar's first column)."""
        left, top, width, height = BAR
        row = self.pixels((left, top + height // 2, width, 1))[0, :, 0]
        edges = [i for i in range(BAR_ARROW, width - BAR_ARROW) if row[i] == row[0]]
        if not edges:
            raise AssertionError(f"no thumb in the bar: {row.tolist()}")
        return edges[0], edges[-1]

    def wait_closed(self, timeout=10):
        return self.session.wait_exit(self.proc, timeout)


def gradient(height, base):
    """The rows of a sine-shaped gradient: v = |sin(y / (height / 3.142)) * 220| rounded, then
    red, green and blue from v and `base`, which adds 30 to each channel it names."""
    k = height / 3.142
    rows = []
    for y in range(height):
        v = round(abs(math.sin(y / k) * 220))
        rows.append([v + 30 * b for b in base])
    return np.array(rows)


def ink_columns(pixels, limit=110):
    """Columns of a box that hold dark (text) pixels."""
    return np.nonzero((pixels.max(axis=2) < limit).any(axis=0))[0]


class DialogTest(unittest.TestCase):
    session = None

    @classmethod
    def setUpClass(cls):
        if not Path(product_path()).is_file():
            raise FileNotFoundError(f"{product_path()} is missing: build the win32 preset first")
        cls.session = WineSession(screen=(SCREEN_W, SCREEN_H), audio=False).__enter__()
        subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Decorated",
                        "/d", "N", "/f"], env=cls.session.env, check=True, capture_output=True,
                       timeout=60)
        music = cls.session.prefix / "drive_c" / "music"
        music.mkdir()
        for name in ("RB.mp3", "R&B.mp3"):
            (music / name).write_bytes(b"\xff\xfb")
        cls.japanese_music = cls.session.prefix / "drive_c" / "曲集" / "夜&朝.mp3"
        cls.japanese_music.parent.mkdir()
        cls.japanese_music.write_bytes(b"\xff\xfb")
        cls.runs = 0

    @classmethod
    def tearDownClass(cls):
        if cls.session is not None:
            cls.session.close()

    def dialog(self, ini=None):
        type(self).runs += 1
        return Dialog(self, f"run{self.runs}", ini)

    def choose_file(self, dialog, path):
        dialog.click(CMD_BGM)
        self.session.wait_window(CHOOSER_TITLE, 15)
        time.sleep(0.3)
        self.session.type_text(path)
        self.session.key("Return")
        deadline = time.monotonic() + 15
        while self.session.find_windows(CHOOSER_TITLE):
            if time.monotonic() > deadline:
                self.fail(f"the file chooser is still open 15 s after choosing {path}")
            time.sleep(0.2)
        dialog.wait_still()

    # --- Opening ----------------------------------------------------------------------------

    def test_opens_centred_with_the_stored_values_and_ok_keeps_them(self):
        music = r"C:\music\RB.mp3"
        d = self.dialog(ini_text(" 300", " 2", " 12", music)).open()
        x, y, w, h = d.rect
        # Centred across; one third of the free height above, two thirds below (to a pixel).
        self.assertLessEqual(abs(x - (SCREEN_W - w) / 2), 1, d.rect)
        self.assertLessEqual(abs(y - (SCREEN_H - h) / 3), 1, d.rect)
        self.assertEqual(d.chosen_marks(), [2])
        self.assertTrue(len(ink_columns(d.pixels(FILE_LABEL))) > 40, "the path is not shown")
        # The gradients down a free column of the window and of the panel, to the level.
        window_column = d.pixels((2, 0, 1, CLIENT_H))[:, 0]
        np.testing.assert_array_equal(window_column, gradient(CLIENT_H, (0, 0, 1)))
        panel_column = d.pixels((PIC[0] + 2, PIC[1], 1, 117))[:, 0]
        np.testing.assert_array_equal(panel_column, gradient(117, (1, 1, 1)))
        # The thumb stands at the right end of the track.
        self.assertEqual(d.thumb_span()[1], BAR[2] - BAR_ARROW - 1)
        d.click(CMD_SET)
        self.assertEqual(d.wait_closed(), 0)
        self.assertEqual(read_ini(d.ini), {KEYS[0]: "300", KEYS[1]: "2", KEYS[2]: "12",
                                           KEYS[3]: music})

    # --- Changing and saving ----------------------------------------------------------------

    def test_dragging_the_bar_shows_the_count_at_once_and_ok_writes_it(self):
        d = self.dialog(ini_text(" 120", " 0", " 0", "")).open()
        left, top, width, height = BAR
        before = d.pixels(COUNT_LABEL)
        # Grab the thumb and drag it past the right arrow (not so far that the system lets go).
        first, last = d.thumb_span()
        grab = (left + (first + last) // 2, top + height // 2)
        self.session.move_mouse(*d.at(grab))
        self.session.mouse_down()
        try:
            for step in range(1, 9):
                self.session.move_mouse(*d.at((grab[0] + 6 * step, grab[1])))
                time.sleep(0.1)
            time.sleep(0.3)
            during = d.pixels(COUNT_LABEL)
        finally:
            self.session.mouse_up()
        self.assertFalse(np.array_equal(before, during), "the count did not follow the thumb")
        d.wait_still()
        d.click((left + BAR_ARROW // 2, top + height // 2))  # one step back from 300
        d.wait_still()
        d.click(CMD_SET)
        self.assertEqual(d.wait_closed(), 0)
        self.assertEqual(read_ini(d.ini)[KEYS[0]], "299")

    def test_choosing_the_cd_and_typing_track_3_saves_both(self):
        d = self.dialog(ini_text(" 50", " 0", " 0", "")).open()
        self.assertEqual(d.chosen_marks(), [0])
        d.click(CAPTIONS[1])
        d.wait_still()
        self.assertEqual(d.chosen_marks(), [1])
        d.click(TRACK_FIELD)
        self.session.key("End")
        self.session.key("shift+Home")
        self.session.type_text("3")
        d.click(CMD_SET)
        self.assertEqual(d.wait_closed(), 0)
        self.assertEqual(read_ini(d.ini), {KEYS[0]: "50", KEYS[1]: "1", KEYS[2]: "3", KEYS[3]: ""})

    def test_cancel_and_the_close_box_write_nothing(self):
        stored = ini_text(" 77", " 1", " 5", "")
        for how in ("Cancel", "close box", "Alt+F4", "WM_CLOSE", "SC_CLOSE"):
            with self.subTest(how):
                d = self.dialog(stored).open()
                d.click(MARKS[0])
                d.click((BAR[0] + BAR[2] - BAR_ARROW // 2, BAR[1] + BAR[3] // 2))
                d.wait_still()
                if how == "Cancel":
                    d.click(CMD_CAN)
                elif how == "close box":
                    x, y, w, h = d.rect
                    self.session.click(x + w - 12, y + 12)
                elif how == "Alt+F4":
                    self.session.key("alt+F4")
                else:  # sent by another program, as the Screen Saver Settings page may do
                    self.session.send_request(how, TITLE)
                    self.assertEqual(d.wait_closed(REQUEST_EXIT_S), 0, how)
                self.assertEqual(d.wait_closed(), 0)
                self.assertEqual(d.ini.read_bytes(), stored)

    def test_a_stored_file_on_a_drive_that_is_away_stays_the_choice(self):
        stored = ini_text("50", "2", "0", r"Q:\away\song.mp3")
        one_more = (BAR[0] + BAR[2] - BAR_ARROW // 2, BAR[1] + BAR[3] // 2)
        for button in (CMD_CAN, CMD_SET):
            d = self.dialog(stored).open()
            self.assertEqual(d.chosen_marks(), [2])
            self.assertTrue(len(ink_columns(d.pixels(FILE_LABEL))) > 40, "the path is not shown")
            count = d.pixels(COUNT_LABEL)
            d.click(one_more)
            wait_until(lambda: not np.array_equal(d.pixels(COUNT_LABEL), count), 10,
                       "the count moved on")
            d.click(button)
            self.assertEqual(d.wait_closed(), 0)
            if button == CMD_CAN:
                self.assertEqual(d.ini.read_bytes(), stored)
                continue
            written = d.ini.read_bytes()
            for line in ("BGM区分=2", r"BGMﾌｧｲﾙ=Q:\away\song.mp3"):
                self.assertIn(f"{line}\r\n".encode("cp932"), written)
            self.assertEqual(read_ini(d.ini)[KEYS[0]], "51")

    def test_a_saver_started_while_the_dialog_is_open_ends_at_once(self):
        d = self.dialog(ini_text(" 50")).open()
        saver = self.session.start(d.exe, "/s")
        started = time.monotonic()
        self.assertEqual(self.session.wait_exit(saver, 10), 0)
        self.assertLess(time.monotonic() - started, 3.0)
        self.assertFalse(self.session.find_windows("Quarlo_Main"))
        self.assertTrue(self.session.is_running(d.proc), "the dialog went away")
        d.click(CMD_CAN)
        self.assertEqual(d.wait_closed(), 0)

    def test_what_one_run_writes_in_code_page_932_the_next_run_reads_back(self):
        path = r"C:\曲集\夜&朝.mp3"
        first = self.dialog(ini_text(" 50", " 0", " 0", path)).open()
        first.click(MARKS[2])
        first.click(MONITOR_CAPTION)
        first.click(TRACK_FIELD)
        self.session.key("End")
        self.session.key("shift+Home")
        self.session.type_text("7")
        first.click(CMD_SET)
        self.assertEqual(first.wait_closed(), 0)
        written = first.ini.read_bytes()
        self.assertIn(f"BGMﾌｧｲﾙ={path}".encode("cp932"), written)

        # The next run shows the written values, the box ticked; OK writes them again, unticked.
        second = self.dialog(written).open()
        self.assertEqual(second.chosen_marks(), [2])
        mark = (*MONITOR_MARK, 1, 1)
        self.assertTrue((second.pixels(mark) == second.pixels((*MARKS[2], 1, 1))).all(), "unticked")
        second.click(MONITOR_MARK)
        self.assertTrue(len(ink_columns(second.pixels(FILE_LABEL))) > 40, "the path is not shown")
        second.click(CMD_SET)
        self.assertEqual(second.wait_closed(), 0)
        self.assertEqual(read_ini(second.ini), {KEYS[0]: "50", KEYS[1]: "2", KEYS[2]: "7",
                                                KEYS[3]: path, KEYS[4]: "0"})

    # --- The file chooser -------------------------------------------------------------------

    def test_the_chosen_file_is_shown_with_its_ampersand_and_saved(self):
        d = self.dialog(ini_text(" 50", " 1", " 0", "")).open()
        self.choose_file(d, r"C:\music\RB.mp3")
        plain = ink_columns(d.pixels(FILE_LABEL))
        self.choose_file(d, r"C:\music\R&B.mp3")
        with_ampersand = ink_columns(d.pixels(FILE_LABEL))
        self.assertTrue(len(plain) > 40, "the path is not shown")
        # The ampersand is drawn as itself, not taken as an access-key mark.
        self.assertGreaterEqual(with_ampersand.max() - plain.max(), 4)
        self.assertEqual(d.chosen_marks(), [1], "choosing a file must not choose the source")
        d.click(CMD_SET)
        self.assertEqual(d.wait_closed(), 0)
        self.assertEqual(read_ini(d.ini), {KEYS[0]: "50", KEYS[1]: "1", KEYS[2]: "0",
                                           KEYS[3]: r"C:\music\R&B.mp3"})


class ScaledDialogTest(unittest.TestCase):
    """The dialog at 125, 150 and 200 %, one session each: every image button shows its whole
    frame, its outline along all four sides, and the option marks are drawn for the scale."""

    def test_buttons_show_their_whole_frame_and_the_marks_their_scale(self):
        buttons = ((4260, 2220, 1215, 375), (5520, 2220, 1215, 375), (2040, 1320, 435, 315))
        for dpi in (120, 144, 192):
            with self.subTest(dpi=dpi), WineSession(audio=False, dpi=dpi) as self.session:
                self.session.import_registry('[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n'
                                             '"Decorated"="N"\n')
                d = Dialog(self, "scaled", ini_text(" 50", " 2", " 0", "")).open()
                c = px(60, dpi)  # the frame
                for box in buttons:
                    line = np.all(d.pixels(tuple(px(t, dpi) for t in box)) == OUTLINE, axis=2)
                    sides = (line[:c, c:-c].any(axis=0), line[-c:, c:-c].any(axis=0),
                             line[c:-c, :c].any(axis=1), line[c:-c, -c:].any(axis=1))
                    self.assertEqual([side.all() for side in sides], [True] * 4, f"{box} twips")
                for top in (780, 1080, 1380):  # the marks of sources 1, 0 and 2
                    mark = d.pixels((px(780, dpi), px(top, dpi), px(195, dpi), px(195, dpi)))
                    drawn = mark.max(axis=2) != mark.min(axis=2)  # the panel is grey
                    self.assertEqual((drawn.any(axis=0).sum(), drawn.any(axis=1).sum()),
                                     (px(180, dpi), px(180, dpi)), f"mark at {top} twips")


if __name__ == "__main__":
    unittest.main()
