"""The arrows between the folders of src/, read from their #include lines: each folder may include
only from the folders written below, and no folder from one that includes it.

    /usr/bin/python3 -m unittest discover -s tests/layers -v
"""
import re
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
SRC = ROOT / "src"

# Each folder and the folders it may include from. A folder's win32/ side is a folder of its own;
# program/ wires the whole program together above every unit, settings/ and rules/ lie below them.
ALLOWED = {
    "program": {"startup", "saver", "settings_dialog", "settings", "framework", "framework/win32",
                "os", "os/win32", "music", "assets"},
    "startup": {"settings", "os", "rules"},
    "saver": {"startup", "music", "settings", "framework", "os", "rules", "assets"},
    "settings_dialog": {"startup", "controls/command", "settings", "framework", "os", "rules",
                        "assets"},
    "controls/command": {"framework", "os", "rules", "assets"},
    "music": {"settings", "os", "rules"},
    "settings": {"os", "rules"},
    "framework": {"os", "rules"},
    "framework/win32": {"framework", "os", "os/win32", "rules"},
    "os": set(),
    "os/win32": {"os"},
    "rules": set(),
}
# Included, never including: the artwork's ids, generated beside the pictures.
LEAVES = {"assets"}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
# The only folders that may see the system's own headers.
SYSTEM_SIDE = {"os/win32", "framework/win32", "program"}
SYSTEM_HEADER = re.compile(r'^\s*#\s*include\s+<windows\.h>', re.MULTILINE | re.IGNORECASE)


def folder_of(path):
    """The folder an include path or a source path (relative to src/ or the root) belongs to:
    the longest one named in ALLOWED or LEAVES."""
    parts = Path(path).parts[:-1]
    for n in range(len(parts), 0, -1):
        name = "/".join(parts[:n])
        if name in ALLOWED or name in LEAVES:
            return name
    return None


def arrows():
    """{(from, to): [file, ...]} for every include between two folders of the program."""
    found = {}
    for source in sorted(SRC.rglob("*")):
        if source.suffix not in (".h", ".cpp", ".rc") or not source.is_file():
            continue
        relative = source.relative_to(SRC)
        origin = folder_of(relative)
        for target in INCLUDE.findall(source.read_text("utf-8", "replace")):
            destination = folder_of(target)
            if destination is not None and destination != origin:
                found.setdefault((origin, destination), []).append(str(relative))
    return found


class LayersTest(unittest.TestCase):
    def test_every_arrow_is_allowed_and_every_folder_known(self):
        for (origin, destination), files in arrows().items():
            with self.subTest(arrow=f"{origin} -> {destination}"):
                self.assertIsNotNone(origin, f"{files}: a folder the allowed arrows do not name")
                self.assertIn(destination, ALLOWED.get(origin, set()),
                              f"{origin} includes {destination} in {files}; "
                              f"allowed: {sorted(ALLOWED.get(origin, set()))}")

    def test_only_the_system_side_includes_windows_h(self):
        for source in sorted(SRC.rglob("*.[ch]*")):
            if SYSTEM_HEADER.search(source.read_text("utf-8", "replace")):
                with self.subTest(file=str(source.relative_to(SRC))):
                    self.assertIn(folder_of(source.relative_to(SRC)), SYSTEM_SIDE)

    def test_the_allowed_arrows_have_no_cycle(self):
        # A cycle written into ALLOWED would let two folders include each other one day.
        def reaches(start, goal, seen):
            for step in ALLOWED.get(start, set()):
                if step == goal or (step not in seen and reaches(step, goal, seen | {step})):
                    return True
            return False

        for folder in ALLOWED:
            with self.subTest(folder=folder):
                self.assertFalse(reaches(folder, folder, {folder}), f"{folder} reaches itself")

    def test_the_reader_sees_the_includes(self):
        # The saver wires music and the dialog its button: a reader that finds no arrows at all
        # (a moved tree, a changed include style) would pass every other test here.
        found = arrows()
        self.assertIn(("saver", "music"), found)
        self.assertIn(("program", "saver"), found)
        self.assertIn(("settings_dialog", "controls/command"), found)


if __name__ == "__main__":
    unittest.main()
