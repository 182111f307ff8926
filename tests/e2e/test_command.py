"""The image button `Command` under Wine, driven with the real mouse and keyboard.

The host is tests/e2e/helpers/command_host.exe: a window with the settings dialog's three
buttons (Cmd_Set and Cmd_Can 81 x 25 pixels, Cmd_BGM 29 x 21), which writes each button's screen
rectangle and every Click to a log file. One user session runs once for the module, taking a
screenshot of each look on the way; the tests then check the pictures and the log.

Each look is checked against the face picture it must show (assets/face_*.bmp): its four 4 x 4
corners pixel for pixel, its top and bottom edges, and the gradient inside the frame, row by row
and in the centre column where the caption leaves it bare, in the direction the look runs it."""

import os
import time
import unittest
from collections import Counter
from pathlib import Path

from PIL import Image, ImageDraw, ImageFont

from harness import REPO, WineSession, helper_path

HOST = Path(os.environ.get("QUARLO_COMMAND_HOST") or helper_path("command_host"))
FACES = {name: Image.open(REPO / "assets" / f"face_{name.lower()}.bmp").convert("RGB")
         for name in ("Normal", "HighLight", "HighLightSelect", "Selected", "Pressed", "Disable")}
WHITE = (0xFF, 0xFF, 0xFF)
LAVENDER = (0xC6, 0xC5, 0xD7)
GRADIENT_TOLERANCE = 2
SETTLE_S = 0.4  # several 100 ms hover ticks
DESKTOP_POINT = (900, 700)  # outside the host window
# With QUARLO_COMMAND_LOOKS=<png> the six looks are also written there side by side, enlarged.
LOOKS_OUT = os.environ.get("QUARLO_COMMAND_LOOKS")


class Host:
    """One running command_host.exe."""

    def __init__(self, session, name, *args):
        self.session = session
        self.log_path = session.root / f"{name}.log"
        self.proc = session.start(HOST, session.win_path(self.log_path), *args)
        deadline = time.monotonic() + 20
        while "Ready" not in self.lines():
            if not session.is_running(self.proc):
                raise AssertionError(f"command_host ended early; see {self.proc.log}")
            if time.monotonic() > deadline:
                raise TimeoutError("command_host did not report Ready within 20 s")
            time.sleep(0.1)
        self.rects = {}
        for line in self.lines():
            if line.startswith("Rect "):
                _, button, *box = line.split()
                self.rects[button] = tuple(int(v) for v in box)

    def lines(self):
        return self.log_path.read_text().splitlines() if self.log_path.exists() else []

    def clicks(self):
        return [line for line in self.lines() if line.startswith("Click ")]

    def centre(self, button):
        left, top, right, bottom = self.rects[button]
        return (left + right) // 2, (top + bottom) // 2

    def background(self):
        """A point on the window's own background, below Cmd_Set."""
        left, top, right, bottom = self.rects["Cmd_Set"]
        return (left + right) // 2, bottom + 25

    def shot(self, button):
        return self.session.screenshot(self.rects[button])


def settle():
    time.sleep(SETTLE_S)


class CommandUnderWine(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = WineSession(audio=False)
        cls.session.__enter__()
        try:
            cls._run_user_session()
        except BaseException:
            cls.session.close()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    @classmethod
    def _run_user_session(cls):
        s = cls.session
        host = cls.host = Host(s, "host")
        cls.looks = {}
        cls.sizes = {name: (r[2] - r[0], r[3] - r[1]) for name, r in host.rects.items()}
        # The window gives the focus to Cmd_Set, the first in its tab order.
        s.move_mouse(*DESKTOP_POINT)
        settle()
        cls.looks["normal"] = host.shot("Cmd_Can")
        cls.looks["focused"] = host.shot("Cmd_Set")
        cls.looks["normal, small"] = host.shot("Cmd_BGM")

        s.move_mouse(*host.centre("Cmd_Can"))
        settle()
        cls.looks["hover"] = host.shot("Cmd_Can")

        s.move_mouse(*host.centre("Cmd_Set"))
        settle()
        cls.looks["hover, focused"] = host.shot("Cmd_Set")
        cls.looks["left behind"] = host.shot("Cmd_Can")

        # Press on the hovered, unfocused Cmd_Can: it takes the focus and shows Pressed.
        s.move_mouse(*host.centre("Cmd_Can"))
        settle()
        s.mouse_down(1)
        settle()
        cls.looks["pressed"] = host.shot("Cmd_Can")
        cls.clicks_while_pressed = host.clicks()
        s.mouse_up(1)
        settle()
        cls.clicks_after_press = host.clicks()
        cls.looks["released"] = host.shot("Cmd_Can")

        # Keys on the focused Cmd_Can: Enter, Space and the keypad's Enter each press it, as a
        # focused push button; Tab (handled by the window) then moves the focus to Cmd_BGM.
        s.move_mouse(*host.background())
        settle()
        window = s.wait_window("Command host")
        s.key("Return", window)
        s.key("space", window)
        s.key("KP_Enter", window)
        settle()
        cls.clicks_after_keys = host.clicks()
        s.key("Tab", window)
        settle()
        cls.looks["focused, small"] = host.shot("Cmd_BGM")
        cls.looks["after Tab"] = host.shot("Cmd_Can")

        # Drag off the focused Cmd_BGM and release after more than 100 ms outside.
        s.move_mouse(*host.centre("Cmd_BGM"))
        settle()
        s.mouse_down(1)
        settle()
        cls.looks["pressed, small"] = host.shot("Cmd_BGM")
        left, top, right, bottom = host.rects["Cmd_BGM"]
        s.move_mouse(*host.background())
        settle()
        cls.looks["dragged off"] = host.shot("Cmd_BGM")
        s.mouse_up(1)
        settle()
        cls.clicks_after_drag = host.clicks()

        # A plain click on Cmd_Set.
        s.click(*host.centre("Cmd_Set"))
        settle()
        cls.clicks_after_click = host.clicks()

        # A second window with Cmd_Can disabled; clicking it does nothing.
        s.kill(host.proc)
        disabled = cls.disabled_host = Host(s, "disabled", "disable")
        s.move_mouse(*DESKTOP_POINT)
        settle()
        cls.looks["disabled"] = disabled.shot("Cmd_Can")
        s.click(*disabled.centre("Cmd_Can"))
        settle()
        cls.looks["disabled, clicked"] = disabled.shot("Cmd_Can")
        cls.clicks_on_disabled = disabled.clicks()

        if LOOKS_OUT:
            write_looks(cls.looks, Path(LOOKS_OUT))

    # --- Checks --------------------------------------------------------------------------------

    def assertLook(self, shot, face, reversed_gradient, caption_rows):
        """The shot shows `face`'s frame over the gradient running top to bottom from white to
        lavender grey (or the other way when reversed). caption_rows: rows of the face the
        caption may cover at the centre column."""
        width, height = shot.size
        image = FACES[face]
        px = shot.load()
        for (sx, sy), (dx, dy) in (((0, 0), (0, 0)), ((60, 0), (width - 4, 0)),
                                   ((0, 21), (0, height - 4)), ((60, 21), (width - 4, height - 4))):
            for y in range(4):
                for x in range(4):
                    self.assertEqual(px[dx + x, dy + y], image.getpixel((sx + x, sy + y)),
                                     f"{face} corner pixel ({dx + x}, {dy + y})")
        for y in range(4):
            top_strip = {image.getpixel((x, y)) for x in range(4, 60)}
            bottom_strip = {image.getpixel((x, 21 + y)) for x in range(4, 60)}
            self.assertIn(px[width // 2, y], top_strip, f"{face} top edge row {y}")
            self.assertIn(px[width // 2, height - 4 + y], bottom_strip, f"{face} bottom edge row {y}")
        top, bottom = (LAVENDER, WHITE) if reversed_gradient else (WHITE, LAVENDER)
        span = height - 1
        for y in range(4, height - 4):
            expected = tuple(a + (b - a) * y / span for a, b in zip(top, bottom))
            row = Counter(px[x, y] for x in range(4, width - 4)).most_common(1)[0][0]
            self.assertTrue(all(abs(c - e) <= GRADIENT_TOLERANCE for c, e in zip(row, expected)),
                            f"{face} gradient row {y}: {row}, expected about {expected}")
            if y not in caption_rows:
                centre = px[width // 2, y]
                self.assertTrue(
                    all(abs(c - e) <= GRADIENT_TOLERANCE for c, e in zip(centre, expected)),
                    f"{face} centre column row {y}: {centre}, expected about {expected}")

    def caption_rows(self, shot):
        # The caption label: top (H - 195 - 20) / 2 twips, 195 twips (13 pixels) high.
        height_twips = shot.size[1] * 15
        top = round((height_twips - 195 - 20) / 2 / 15)
        return range(top, top + 13)

    def dark_pixels(self, shot, limit):
        width, height = shot.size
        px = shot.load()
        return sum(1 for y in range(4, height - 4) for x in range(4, width - 4)
                   if max(px[x, y]) < limit)

    # --- The looks ---------------------------------------------------------------------------------

    def test_looks_show_their_frame_and_gradient(self):
        cases = [
            ("normal", "Normal", False),
            ("normal, small", "Normal", False),
            ("hover", "HighLight", True),
            ("focused", "Selected", False),
            ("focused, small", "Selected", False),
            # Hovering a focused button keeps the gradient of the Selected face before it.
            ("hover, focused", "HighLightSelect", False),
            # Hovered first, then focused and pressed: the gradient stays reversed.
            ("pressed", "Pressed", True),
            ("pressed, small", "Pressed", False),
            ("released", "HighLightSelect", True),
            ("left behind", "Normal", False),
            ("after Tab", "Normal", False),
            ("dragged off", "Selected", False),
            ("disabled", "Disable", False),
            ("disabled, clicked", "Disable", False),
        ]
        for look, face, reversed_gradient in cases:
            with self.subTest(look=look):
                shot = self.looks[look]
                self.assertLook(shot, face, reversed_gradient, self.caption_rows(shot))

    def test_buttons_have_their_design_sizes(self):
        self.assertEqual(self.sizes, {"Cmd_Set": (81, 25), "Cmd_Can": (81, 25), "Cmd_BGM": (29, 21)})

    def test_caption_is_black_when_enabled_and_greyed_when_disabled(self):
        self.assertGreater(self.dark_pixels(self.looks["normal"], 64), 10)
        self.assertGreater(self.dark_pixels(self.looks["pressed"], 64), 10)
        disabled = self.looks["disabled"]
        self.assertEqual(self.dark_pixels(disabled, 64), 0)
        self.assertGreater(self.dark_pixels(disabled, 0xB0), 5)  # the greyed text is there

    def test_caption_does_not_move_when_pressed(self):
        def caption_box(shot):
            width, height = shot.size
            px = shot.load()
            dark = [(x, y) for y in range(4, height - 4) for x in range(4, width - 4)
                    if max(px[x, y]) < 64]
            xs, ys = [p[0] for p in dark], [p[1] for p in dark]
            return min(xs), min(ys), max(xs), max(ys)
        self.assertEqual(caption_box(self.looks["pressed"]), caption_box(self.looks["hover"]))

    # --- Clicks -------------------------------------------------------------------------------------

    def test_a_real_click_raises_click_exactly_once(self):
        self.assertEqual(self.clicks_while_pressed, [])
        self.assertEqual(self.clicks_after_press, ["Click Cmd_Can"])
        self.assertEqual(self.clicks_after_click, self.clicks_after_drag + ["Click Cmd_Set"])

    def test_enter_and_space_press_the_focused_button(self):
        self.assertEqual(self.clicks_after_keys, ["Click Cmd_Can"] * 4)
        self.assertLook(self.looks["focused, small"], "Selected", False,
                        self.caption_rows(self.looks["focused, small"]))

    def test_release_after_dragging_off_a_focused_button_raises_nothing(self):
        self.assertEqual(self.clicks_after_drag, self.clicks_after_keys)

    def test_a_disabled_button_ignores_a_click(self):
        self.assertEqual(self.clicks_on_disabled, [])


def write_looks(looks, out):
    """The six looks of Cmd_Can / Cmd_Set side by side, enlarged three times, with their names."""
    chosen = [("normal", "normal"), ("hover", "hover"), ("focused", "focused"),
              ("hover, focused", "hover + focused"), ("pressed", "pressed"),
              ("disabled", "disabled")]
    scale, gap, label_h = 3, 16, 24
    w, h = looks["normal"].size
    sheet = Image.new("RGB", (len(chosen) * (w * scale + gap) + gap, h * scale + label_h + 2 * gap),
                      (0x40, 0x60, 0x80))
    draw = ImageDraw.Draw(sheet)
    try:
        font = ImageFont.truetype("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 15)
    except OSError:
        font = ImageFont.load_default()
    for i, (key, title) in enumerate(chosen):
        x = gap + i * (w * scale + gap)
        sheet.paste(looks[key].resize((w * scale, h * scale), Image.NEAREST), (x, gap))
        draw.text((x, gap + h * scale + 6), title, fill=(255, 255, 255), font=font)
    out.parent.mkdir(parents=True, exist_ok=True)
    sheet.save(out)


if __name__ == "__main__":
    unittest.main()
