"""The settings dialog read by a screen reader and worked with the keyboard alone: on a Japanese
system, and on a Western one (ANSI code page 1252, English user interface), where it speaks
English. The screen reader is tests/e2e/helpers/read_accessible.c, which reads the dialog from
its own process through Active Accessibility, as screen readers do."""

import re
import subprocess
import unittest
from pathlib import Path

from harness import WineSession, helper_path, product_path, wait_until
from test_dialog import (CHOOSER_TITLE, KEYS, SCREEN_H, SCREEN_W, TITLE, Dialog, ini_text,
                         read_ini)

ENGLISH_TITLE, ENGLISH_CHOOSER_TITLE = "Quarlo Settings", "Choose a music file"

# What a screen reader reads, row by row: depth, role, name, states, value, access key.
ROLES = {18: "dialog", 10: "client", 41: "text", 43: "push button", 44: "check box",
         45: "radio button", 46: "combo box", 51: "slider", 30: "link"}
STATES = {0x1: "unavailable", 0x4: "focused", 0x10: "checked", 0x100: "default",
          0x8000: "invisible", 0x100000: "focusable"}


def read_as_screen_reader(session, title):
    """The window's objects down to its controls, read from another process through Active
    Accessibility (tests/e2e/helpers/read_accessible.c); the parts the system tells of its own
    controls, below them, are left out."""
    status, out = session.run_windows_exe(helper_path("read_accessible"), *title.split(" "))
    if status != 0:
        raise AssertionError(f"read_accessible {title!r}: exit status {status}")
    rows = []
    for line in out.splitlines():
        depth, role, state, name, value, shortcut = line.split("\t")
        if int(depth) <= 2:
            states = " ".join(word for bit, word in STATES.items() if int(state, 16) & bit)
            rows.append((int(depth), ROLES.get(int(role), role), name, states, value, shortcut))
    return rows


# The dialog as it reads with the count 50, the CD chosen with track 12, the file PATH and the box
# unticked, the options having the keyboard: depth, role, states, value, then the name in Japanese,
# the name in English and the English access key (the Japanese texts have none).
PATH = r"C:\music\RB.mp3"
READER_TABLE = [
    (0, "dialog", "focusable", "", TITLE, ENGLISH_TITLE, ""),
    (1, "client", "", "", "", "", ""),
    (2, "text", "", "", "BGM", "Music", ""),
    (2, "radio button", "focused checked focusable", "", "音楽CD", "Audio CD", "Alt+C"),
    (2, "radio button", "focusable", "", "無し", "None", "Alt+N"),
    (2, "radio button", "focusable", "", "MP3、WAV", "MP3 or WAV file", "Alt+M"),
    (2, "text", "", "", "曲目をﾘﾋﾟｰﾄ", "track on repeat", "Alt+r"),
    (2, "combo box", "focusable", "12", "曲目をﾘﾋﾟｰﾄ", "track on repeat", "Alt+r"),
    (2, "push button", "focusable", "", CHOOSER_TITLE, ENGLISH_CHOOSER_TITLE, ""),
    (2, "text", "", "", PATH, PATH, ""),
    (2, "text", "", "", "Quarloの数", "Number of Quarlos", "Alt+Q"),
    (2, "slider", "focusable", "50", "Quarloの数", "Number of Quarlos", "Alt+Q"),
    (2, "text", "", "", "50", "50", ""),
    (2, "check box", "focusable", "", "すべてのﾓﾆﾀｰに表示", "Show on every monitor", "Alt+e"),
    (1, "push button", "default focusable", "", "設定", "OK", ""),
    (1, "push button", "focusable", "", "ｷｬﾝｾﾙ", "Cancel", ""),
    (1, "link", "focusable", "", "https://quarlo.example.org/", "https://quarlo.example.org/", ""),
    (1, "client", "", "", "", "", ""),
    (2, "link", "focusable", "", "ｽｸﾘｰﾝ ｾｰﾊﾞｰが「(なし)」になっています。",
     "No screen saver is chosen: it is set to (None).", ""),
    (2, "push button", "focusable", "", "Quarlo を使う", "Use Quarlo", "Alt+U"),
]


def start_line(session, title=TITLE):
    """The line under the settings and its button (None while hidden) as a screen reader reads
    them; None until the system has been read."""
    rows = read_as_screen_reader(session, title)
    at = next(i for i, row in enumerate(rows) if row[:2] == (2, "link"))
    button = rows[at + 1]
    return (rows[at][2], None if "invisible" in button[3] else button[2]) if rows[at][2] else None


def reader_table(english):
    """READER_TABLE in one language: (depth, role, name, states, value, access key)."""
    return [(depth, role, en if english else ja, states, value, key if english else "")
            for depth, role, states, value, ja, en, key in READER_TABLE]




class JapaneseReaderTest(unittest.TestCase):
    def test_a_screen_reader_reads_every_control_by_name_role_and_state(self):
        with WineSession(screen=(SCREEN_W, SCREEN_H), audio=False) as self.session:
            Dialog(self, "reader", ini_text(" 50", " 1", " 12", PATH)).open()
            wait_until(lambda: start_line(self.session), 15, "the line under the settings")
            self.assertEqual(read_as_screen_reader(self.session, TITLE),
                             reader_table(english=False))


def _font_link(font):
    """A font-link list of one font, as regedit files spell a REG_MULTI_SZ value."""
    return "hex(7):" + ",".join(f"{b:02x}" for b in f"{font}\0\0".encode("utf-16-le"))


# A Western Windows draws Japanese text in its dialogs' fonts through their links to a Japanese
# font; here the IPA font stands in for it. The window frames are drawn by Wine, as above.
WESTERN_REGISTRY = (
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]\n"
    + "".join(f'"{face}"={_font_link("ipagp.ttf,IPAPGothic")}\n'
              for face in ("MS Shell Dlg", "Tahoma", "Microsoft Sans Serif"))
    + "\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"
    + '"Decorated"="N"\n')


class WesternSystemTest(unittest.TestCase):
    """The dialog on a Western system (ANSI code page 1252, English user interface), in one
    session: it speaks English, a screen reader reads it in English, it is the only copy, every
    setting is made and saved with the keyboard alone, a path the settings file cannot hold is
    refused, and the settings file keeps the bytes a Japanese system writes, so each run reads
    what the last one saved."""

    session = None

    @classmethod
    def setUpClass(cls):
        if not Path(product_path()).is_file():
            raise FileNotFoundError(f"{product_path()} is missing: build the win32 preset first")
        cls.session = WineSession(screen=(SCREEN_W, SCREEN_H), audio=False,
                                  code_page=1252).__enter__()
        cls.session.import_registry(WESTERN_REGISTRY)

    @classmethod
    def tearDownClass(cls):
        if cls.session is not None:
            cls.session.close()

    def open(self, name, ini):
        """The English dialog, once it has the keyboard."""
        dialog = Dialog(self, name, ini)
        self.session.move_mouse(400, 300)
        dialog.proc = self.session.start(dialog.exe, "/c")
        window = self.session.wait_window(ENGLISH_TITLE, 20)
        wait_until(lambda: self.session.focused_window() == window, 10, "the dialog's keyboard")
        return dialog

    def read(self):
        """(states, value) of each control by role and name, as a screen reader reads them."""
        return {(role, name): (states, value) for _, role, name, states, value, _
                in read_as_screen_reader(self.session, ENGLISH_TITLE)}

    def keys(self, *keys):
        for key in keys:
            self.session.key(key)

    def test_a_screen_reader_reads_every_control_in_english(self):
        self.open("reader", ini_text(" 50", " 1", " 12", PATH))
        wait_until(lambda: start_line(self.session, ENGLISH_TITLE), 15, "the line")
        self.assertEqual(read_as_screen_reader(self.session, ENGLISH_TITLE),
                         reader_table(english=True))

    def test_the_keyboard_alone_sets_and_saves_and_escape_leaves_the_file_as_it_was(self):
        # Written by a Japanese system: the key names in Shift-JIS.
        d = self.open("first", ini_text(" 77", " 1", " 5", ""))
        (d.folder / "Олег.mp3").write_bytes(b"\xff\xfb")

        # A second settings dialog and a saver both find the open one and end at once (either,
        # had it opened, would still be waiting for the user).
        for args in (["/c"], ["/s"]):
            other = self.session.start(d.exe, *args)
            self.assertEqual(self.session.wait_exit(other, 10), 0, other.log())
        self.assertEqual(len(self.session.find_windows(ENGLISH_TITLE)), 1)
        self.assertFalse(self.session.find_windows("Quarlo_Main", visible=False))

        # The options have the keyboard: Down chooses "None"; Tab, Tab and Space open the file
        # chooser, in English. The file it lists, whose name code page 1252 cannot hold, is
        # refused (picked with the mouse: a typed Cyrillic name would depend on the keyboard map).
        self.keys("Down", "Tab", "Tab", "space")
        chooser = self.session.wait_window(ENGLISH_CHOOSER_TITLE, 15)
        x, y, w, h = self.session.window_geometry(chooser)
        self.session.click(x + 50, y + 65)
        self.session.key("Return")
        wait_until(lambda: not self.session.find_windows(ENGLISH_CHOOSER_TITLE), 15,
                   "the chooser closing")
        # Tab, Right: one more on the bar; Tab, Space: the box; Enter saves, the key names in
        # Shift-JIS as before.
        self.keys("Tab", "Right", "Tab", "space", "Return")
        self.assertEqual(d.wait_closed(), 0)
        saved = {KEYS[0]: "78", KEYS[1]: "0", KEYS[2]: "5", KEYS[3]: "", KEYS[4]: "-1"}
        self.assertEqual(read_ini(d.ini), saved)

        # The next run reads them back; Escape, after a change, closes it and leaves the file
        # byte for byte.
        again = self.open("second", d.ini.read_bytes())
        read = self.read()
        self.assertEqual(read[("radio button", "None")], ("focused checked focusable", ""))
        self.assertEqual(read[("slider", "Number of Quarlos")], ("focusable", "78"))
        self.assertEqual(read[("check box", "Show on every monitor")], ("checked focusable", ""))
        self.keys("Up", "Escape")
        self.assertEqual(again.wait_closed(), 0)
        self.assertEqual(again.ini.read_bytes(), d.ini.read_bytes())


DESKTOP = r"HKEY_CURRENT_USER\Control Panel\Desktop"
POLICY = r"HKEY_CURRENT_USER\Software\Policies\Microsoft\Windows\Control Panel\Desktop"


class StartLineTest(unittest.TestCase):
    """The line under the settings on a system set up as Windows holds it, read as a screen
    reader reads it, the power plan from the stand-in powrprof.dll (tests/e2e/helpers), which
    answers as Windows documents (Wine's are stubs)."""

    def registry(self, key, name):
        done = subprocess.run(["wine", "reg", "query", key, "/v", name], env=self.session.env,
                              capture_output=True, timeout=60)
        found = re.search(rf"{re.escape(name)}\s+REG_\w+\s+(.*)", done.stdout.decode("cp932"))
        return found.group(1).strip() if found else None

    def open(self, d, display_off="0"):
        """The dialog beside the stand-in, the display switching off after `display_off` s."""
        self.session.env["QUARLO_DISPLAY_OFF"] = display_off
        d.open()
        return wait_until(lambda: start_line(self.session), 15, "the line under the settings")

    def test_the_line_says_what_stops_the_saver_and_use_quarlo_mends_it_from_the_keyboard(self):
        with WineSession(screen=(SCREEN_W, SCREEN_H), audio=False) as self.session:
            s = self.session
            s.env["WINEDLLOVERRIDES"] += ";powrprof=n"
            (s.prefix / "drive_c" / "windows" / "system32" / "Bubbles.scr").write_bytes(b"MZ")
            s.import_registry(f'[{DESKTOP}]\n"SCRNSAVE.EXE"="C:\\\\windows\\\\system32\\\\'
                              'Bubbles.scr"\n"ScreenSaveTimeOut"="420"\n')
            d = Dialog(self, "line", ini_text(" 50"))
            (d.folder / "powrprof.dll").write_bytes((helper_path("x").parent / "powrprof.dll")
                                                    .read_bytes())
            line = self.open(d)
            self.assertEqual(line, ("別のｽｸﾘｰﾝ ｾｰﾊﾞｰが選ばれています: Bubbles.scr", "Quarlo を使う"))
            self.assertIsNone(self.registry(DESKTOP, "ScreenSaveActive"))
            s.key("shift+Tab")  # from the options round to the last stop, the mend's button
            s.key("space")
            wait_until(lambda: start_line(s) != line, 15, "the line after the mend")
            self.assertEqual(start_line(s), ("入力がないまま 7 分たつと Quarlo が始まります。", None))
            self.assertTrue(self.registry(DESKTOP, "SCRNSAVE.EXE").upper().endswith(
                r"\LINE\QUARLO.SCR"), self.registry(DESKTOP, "SCRNSAVE.EXE"))
            self.assertEqual(self.registry(DESKTOP, "ScreenSaveActive"), "1")
            self.assertEqual(self.registry(DESKTOP, "ScreenSaveTimeOut"), "420")
            s.key("Escape")
            self.assertEqual(d.wait_closed(), 0)

            # Quarlo chosen now: the display switching off first, then an organisation's policy.
            for name, display_off, policy, expected in (
                    ("power", "300", "", ("5 分で画面が消えます。Quarlo が始まる 7 分より前です。",
                                          "電源ﾌﾟﾗﾝを開く")),
                    ("policy", "0", f'[{POLICY}]\n"ScreenSaveActive"="0"\n',
                     ("組織の設定でｽｸﾘｰﾝ ｾｰﾊﾞｰが無効になっています。この PC の管理者に相談して"
                      "ください。", None))):
                with self.subTest(name):
                    if policy:
                        s.import_registry(policy)
                    self.assertEqual(self.open(d, display_off), expected)
                    s.key("Escape")
                    self.assertEqual(d.wait_closed(), 0)


if __name__ == "__main__":
    unittest.main()
