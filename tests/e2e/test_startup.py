"""Start-up under Wine: refused switches, a second copy, hostile command lines and settings files
end the program at once and cleanly, showing nothing."""

import shutil
import time
import unittest

from harness import WineSession, helper_path, product_path

session = None


def setUpModule():
    global session
    session = WineSession().__enter__()


def tearDownModule():
    session.close()


class StartUpTest(unittest.TestCase):
    def setUp(self):
        # A copy of the program in a folder of its own, so its Quarlo.ini is this test's.
        self.folder = session.root / "tmp" / self.id().rsplit(".", 1)[-1]
        self.folder.mkdir(parents=True, exist_ok=True)
        self.exe = self.folder / "Quarlo.scr"
        shutil.copy(product_path(), self.exe)

    def assert_ends_at_once(self, *args, within=5.0):
        titles = ("Quarlo_Main", "Quarloの設定")
        before = {title: session.find_windows(title, visible=False) for title in titles}
        started = time.monotonic()
        proc = session.start(self.exe, *args)
        status = session.wait_exit(proc, within)
        took = time.monotonic() - started
        self.assertEqual(status, 0, f"{args!r} ended with status {status}:\n{proc.log()}")
        for title in titles:
            self.assertEqual(session.find_windows(title, visible=False), before[title],
                             f"{args!r} left a window {title!r}")
        return took

    def test_refused_switches_end_without_showing_anything(self):
        for args in (["/a"], ["s"], ["/x", "1"], ["-"], ["/"]):
            with self.subTest(args=args):
                self.assert_ends_at_once(*args)

    def test_a_second_copy_ends_while_the_saver_or_dialog_of_another_is_shown(self):
        for title in ("Quarlo_Main", "Quarloの設定"):
            holder = session.start(helper_path("window_holder.exe"), title)
            try:
                session.wait_window(title)
                for args in (["/s"], ["/c"], ["/p", "1234"], []):
                    with self.subTest(title=title, args=args):
                        self.assert_ends_at_once(*args)
            finally:
                session.kill(holder)

    def test_hostile_command_lines_never_crash_or_hang(self):
        for args in (["x" * 10000], ["/a", "\x01\x02\x7f\x1b"], ["/a" + "の" * 3000]):
            with self.subTest(length=len(" ".join(args))):
                self.assert_ends_at_once(*args)

    def test_hostile_settings_files_never_crash_or_hang(self):
        ini = self.folder / "Quarlo.ini"
        garbage = bytes((i * 131 + 7) & 0xFF for i in range(65536))
        contents = {
            "garbage": garbage,
            "ten megabytes": b"[Section]\r\n" + b"x" * (10 * 1024 * 1024),
            "repeated key": b"[Section]\r\nQuarlo\x82\xcc\x90\x94=5\r\nQuarlo\x82\xcc\x90\x94=x\r\n",
            "invalid code page": b"[Section]\r\nBGM\xcc\xa7\xb2\xd9=\x82\x82\xff\x81\x80\r\n"
                                 b"BGM\x8b\xe6\x95\xaa=2\r\n",
        }
        for name, data in contents.items():
            with self.subTest(settings=name):
                ini.write_bytes(data)
                self.assert_ends_at_once("/a", within=15)
                self.assertEqual(ini.read_bytes(), data, "loading must never change the file")
        ini.unlink()
        ini.mkdir()  # a settings "file" that cannot be opened
        self.assert_ends_at_once("/a")


if __name__ == "__main__":
    unittest.main()
