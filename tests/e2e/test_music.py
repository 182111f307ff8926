"""Background music under Wine: the saver (Quarlo.scr /s) plays the WAV or MP3 file of its
settings while it runs and stops it when a key ends it.

Each run copies Quarlo.scr into a folder of its own and writes Quarlo.ini beside it in code page
932. What was heard is read from the session's recording; what the program asked of the system is
read from Wine's trace of the multimedia calls (the exact command strings as Wine received them,
and each PlaySound). The test sounds are made with sox (and lame): a 440 Hz start followed by an
880 Hz rest, so a repetition "from the start" shows as 440 Hz heard again after 880 Hz.

The recording's time axis is sample time, which Wine fills faster than real time; wall-clock
statements (the MP3 is heard again within about a second) map each recorded frame to the moment it
reached the recording file, polled every POLL_S seconds."""

import re
import shutil
import subprocess
import time
import unittest

import numpy as np

from harness import (AUDIO_CHANNELS, AUDIO_DTYPE, AUDIO_RATE, AWAY_DESKTOP, WineSession, helper_path,
                     product_path, wait_until)

POLL_S = 0.05
WINDOW_S = 0.04         # analysis window: 25 Hz frequency resolution
LOUD_RMS = 0.01         # a window louder than this is sound; Wine's silence is exact zeros
START_HZ, REST_HZ = 440, 880
START_S, REST_S = 0.3, 0.7
TRACE = "-all,trace+mci,trace+winmm"

session = None
media = None


def setUpModule():
    global session, media
    session = WineSession().__enter__()
    media = session.root / "media"
    media.mkdir()


def tearDownModule():
    session.close()


# --- Test sounds --------------------------------------------------------------------------------

def make_wav(path, start_s=START_S, rest_s=REST_S):
    path.parent.mkdir(parents=True, exist_ok=True)
    subprocess.run(["sox", "-n", "-r", str(AUDIO_RATE), "-c", "2", "-b", "16", str(path),
                    "synth", str(start_s), "sine", str(START_HZ), "gain", "-6", ":",
                    "synth", str(rest_s), "sine", str(REST_HZ), "gain", "-6"], check=True)
    return path


def make_mp3(path):
    wav = make_wav(path.with_suffix(".source.wav"))
    path.parent.mkdir(parents=True, exist_ok=True)
    subprocess.run(["lame", "--silent", "-b", "128", str(wav), str(path)], check=True)
    wav.unlink()
    return path


def id3v2_tag_with_picture(picture_bytes):
    """An ID3v2.3 tag holding a title and an attached picture (APIC) of the given size, as
    players write album art."""
    def frame(name, body):
        return name + len(body).to_bytes(4, "big") + b"\0\0" + body
    picture = np.random.default_rng(7).integers(0, 256, picture_bytes, dtype=np.uint8).tobytes()
    frames = (frame(b"TIT2", b"\0Theme") +
              frame(b"APIC", b"\0image/jpeg\0" + b"\x03" + b"cover\0" + b"\xff\xd8" + picture))
    size = len(frames)
    syncsafe = bytes([(size >> 21) & 0x7F, (size >> 14) & 0x7F, (size >> 7) & 0x7F, size & 0x7F])
    return b"ID3\x03\x00\x00" + syncsafe + frames


def make_ogg(path):
    path.parent.mkdir(parents=True, exist_ok=True)
    subprocess.run(["sox", "-n", "-r", str(AUDIO_RATE), "-c", "2", str(path),
                    "synth", "1", "sine", str(START_HZ)], check=True)
    return path


def make_mid(path):
    """One note, a second long, as a standard MIDI file."""
    track = bytes([0x00, 0x90, 0x45, 0x64, 0x83, 0x60, 0x80, 0x45, 0x00, 0x00, 0xFF, 0x2F, 0x00])
    data = (b"MThd" + (6).to_bytes(4, "big") + bytes([0, 0, 0, 1, 0x01, 0xE0])
            + b"MTrk" + len(track).to_bytes(4, "big") + track)
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(data)
    return path


# --- Reading what happened -----------------------------------------------------------------------

def unescape_wine(text):
    r"""A string as Wine's trace prints it back to plain text: \\ \" \n \r \t, and any
    other character as a backslash and four hex digits (音 is \97f3)."""
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            nxt = text[i + 1]
            if re.fullmatch(r"[0-9a-fA-F]{4}", text[i + 1:i + 5]):
                out.append(chr(int(text[i + 1:i + 5], 16)))
                i += 5
                continue
            out.append({"n": "\n", "r": "\r", "t": "\t"}.get(nxt, nxt))
            i += 2
            continue
        out.append(c)
        i += 1
    return "".join(out)


MCI_CALL = re.compile(r'trace:mci:mciSendStringW \(L"((?:[^"\\]|\\.)*)", [0-9a-fA-F]+, (\d+),')
PLAY_SOUND = re.compile(r"trace:winmm:MULTIMEDIA_PlaySound pszSound='([0-9a-fA-F]+)' "
                        r"hmod=[0-9a-fA-F]+ fdwSound=([0-9a-fA-F]+)")
WINE_AUTO_OPEN = re.compile(r"open [a-z0-9_]+ wait")
PLAIN_COPY_OPEN = re.compile(r'open "(.*\\QuarloBGM\.mp3)" type MPEGVideo Alias MP3Play')
SOUND_NAME = re.compile(r'trace:winmm:proc_PlaySound SoundName=L"((?:[^"\\]|\\.)*)"')


class Run:
    """One saver run: its trace, its recording and when each recorded frame arrived."""

    def __init__(self, log, samples, timeline, window_at, exit_at, growth_after_exit, status):
        self.log, self.samples, self.timeline = log, samples, timeline
        self.window_at, self.exit_at = window_at, exit_at
        self.growth_after_exit, self.status = growth_after_exit, status

    def mci_commands(self):
        """The command strings the program sent. A command to an alias that is not open makes
        Wine try "open <alias> wait" by itself, through the same traced call; those are left out."""
        commands = [unescape_wine(m.group(1)) for m in MCI_CALL.finditer(self.log)]
        return [c for c in commands if not WINE_AUTO_OPEN.fullmatch(c)]

    def play_sound_calls(self):
        """(sound pointer is NULL, flags) of each PlaySound, in order."""
        return [(int(m.group(1), 16) == 0, int(m.group(2), 16)) for m in PLAY_SOUND.finditer(self.log)]

    def sound_names(self):
        return [unescape_wine(m.group(1)) for m in SOUND_NAME.finditer(self.log)]

    def windows(self):
        """Per analysis window: (RMS, dominant frequency in Hz)."""
        n = int(WINDOW_S * AUDIO_RATE)
        count = len(self.samples) // n
        if count == 0:
            return np.zeros(0), np.zeros(0)
        mono = self.samples[:count * n, 0].reshape(count, n)
        rms = np.sqrt((mono ** 2).mean(axis=1))
        spectrum = np.abs(np.fft.rfft(mono * np.hanning(n), axis=1))
        peak = np.fft.rfftfreq(n, 1.0 / AUDIO_RATE)[spectrum.argmax(axis=1)]
        return rms, peak

    def labels(self):
        """Per window: "start" (440 Hz), "rest" (880 Hz), "other" sound, or "" for silence."""
        rms, peak = self.windows()
        out = []
        for level, hz in zip(rms, peak):
            if level <= LOUD_RMS:
                out.append("")
            elif abs(hz - START_HZ) < 60:
                out.append("start")
            elif abs(hz - REST_HZ) < 60:
                out.append("rest")
            else:
                out.append("other")
        return out

    def loud_seconds(self):
        rms, _ = self.windows()
        return float((rms > LOUD_RMS).sum() * WINDOW_S)

    def peak_rms(self):
        rms, _ = self.windows()
        return float(rms.max()) if rms.size else 0.0

    def arrival(self, window_index):
        """Wall-clock seconds after the start at which the window reached the recording."""
        frame = (window_index + 1) * int(WINDOW_S * AUDIO_RATE)
        for at, frames in self.timeline:
            if frames >= frame:
                return at
        return self.timeline[-1][0] if self.timeline else float("inf")

    def restarts(self):
        """Each repetition from the start: (index of the last 880 Hz window before it, index of
        the first 440 Hz window of it)."""
        found, last_rest = [], None
        for i, label in enumerate(self.labels()):
            if label == "rest":
                last_rest = i
            elif label == "start" and last_rest is not None:
                found.append((last_rest, i))
                last_rest = None
        return found


class MusicTestCase(unittest.TestCase):
    the_session = None  # set by subclasses that need their own

    @property
    def s(self):
        return self.the_session or session

    def write_ini(self, folder, source, music_file):
        text = ("[Section]\r\nQuarloの数= 5\r\n"
                f"BGM区分= {source}\r\nBGMﾘﾋﾟｰﾄ= 0\r\nBGMﾌｧｲﾙ={music_file}\r\n")
        (folder / "Quarlo.ini").write_bytes(text.encode("cp932"))

    def run_saver(self, music_path, seconds, source=2, name=None, program=None, once_shown=None,
                  desktop=None):
        """Runs Quarlo.scr (or `program`, a build of it) /s with the music file for `seconds`
        after its window appeared (and once_shown() returned), ends it with a key and returns the
        Run. once_shown(), if given, is called as soon as the window has appeared."""
        s = self.s
        folder = s.root / "runs" / (name or self.id().rsplit(".", 1)[-1])
        folder.mkdir(parents=True)
        exe = folder / (program.name if program else "Quarlo.scr")
        shutil.copy(program or product_path(), exe)
        self.write_ini(folder, source, s.win_path(music_path) if music_path else "")

        before = set(s.audio_files())
        new_frames = lambda: sum(p.stat().st_size for p in s.audio_files() if p not in before) \
            // (AUDIO_CHANNELS * AUDIO_DTYPE.itemsize)
        timeline = []
        saved_debug = s.env["WINEDEBUG"]
        s.env["WINEDEBUG"] = TRACE
        try:
            started = time.monotonic()
            proc = s.start(exe, "/s", desktop=desktop)
        finally:
            s.env["WINEDEBUG"] = saved_debug
        try:
            xid = s.wait_window("Quarlo_Main", timeout=20)
            window_at = time.monotonic() - started
            if once_shown:
                once_shown()
            deadline = time.monotonic() + seconds
            while time.monotonic() < deadline:
                timeline.append((time.monotonic() - started, new_frames()))
                self.assertTrue(s.is_running(proc), f"the saver ended by itself:\n{proc.log()[-3000:]}")
                time.sleep(POLL_S)
            s.key("space", window=xid)
            status = s.wait_exit(proc, 15)
            exit_at = time.monotonic() - started
            frames_at_exit = new_frames()
            timeline.append((exit_at, frames_at_exit))
            time.sleep(0.5)
            growth = new_frames() - frames_at_exit
        finally:
            s.kill(proc)

        data = np.frombuffer(b"".join(p.read_bytes() for p in s.audio_files() if p not in before),
                             dtype=AUDIO_DTYPE)
        frames = len(data) // AUDIO_CHANNELS
        samples = data[:frames * AUDIO_CHANNELS].reshape(frames, AUDIO_CHANNELS) / 32768.0
        return Run(proc.log(), samples, timeline, window_at, exit_at, growth, status)

    def assert_ended_cleanly(self, run):
        self.assertEqual(run.status, 0, f"exit status {run.status}:\n{run.log[-3000:]}")
        self.assertEqual(run.growth_after_exit, 0, "the recording grew after the saver ended")

    def assert_silent(self, run):
        self.assertLess(run.peak_rms(), LOUD_RMS,
                        f"sound was recorded: {run.loud_seconds():.2f} s, labels "
                        f"{sorted(set(run.labels()))}")


class FilePlaybackTest(MusicTestCase):
    def test_a_wav_file_plays_at_once_loops_and_stops_at_the_exit(self):
        wav = make_wav(media / "loop.wav")
        run = self.run_saver(wav, seconds=3.0)
        self.assert_ended_cleanly(run)

        # One looping asynchronous PlaySound of the file that never falls back to the system's
        # default sound (SND_ASYNC | SND_NODEFAULT | SND_LOOP), then the stop.
        self.assertEqual(run.play_sound_calls(), [(False, 0xB), (True, 0)], run.play_sound_calls())
        self.assertEqual(run.sound_names()[:1], [session.win_path(wav)])
        self.assertEqual(run.mci_commands(), [])

        labels = run.labels()
        first = next((i for i, label in enumerate(labels) if label), None)
        self.assertIsNotNone(first, "nothing was heard")
        self.assertEqual(labels[first], "start", "the sound does not begin with the file's start")
        heard_after_window = run.arrival(first) - run.window_at
        self.assertLess(heard_after_window, 1.5,
                        f"first sound {heard_after_window:.2f} s after the window appeared")
        # The file lasts 1 s: what was heard is several times that, start after rest each time.
        self.assertGreater(run.loud_seconds(), 3 * (START_S + REST_S))
        self.assertGreaterEqual(len(run.restarts()), 2)
        print(f"\n  wav: first sound {heard_after_window:+.2f} s after the window, "
              f"{run.loud_seconds():.1f} s of sound recorded, {len(run.restarts())} repetitions")

    def test_an_mp3_file_plays_is_heard_again_from_its_start_and_stops_at_the_exit(self):
        mp3 = make_mp3(media / "theme.mp3")
        run = self.run_saver(mp3, seconds=6.0)
        self.assert_ended_cleanly(run)

        commands = run.mci_commands()
        self.assertEqual(commands[:2], [f'open "{session.win_path(mp3)}" type MPEGVideo Alias MP3Play',
                                        "play MP3Play"])
        self.assertEqual(commands[-2:], ["stop MP3Play", "close MP3Play"])
        self.assertGreaterEqual(commands.count("status MP3Play mode"), 3)
        self.assertEqual(run.play_sound_calls(), [])

        labels = run.labels()
        self.assertIn("start", labels)
        self.assertIn("rest", labels)
        restarts = run.restarts()
        self.assertGreaterEqual(len(restarts), 2, f"heard from the start {len(restarts) + 1} times")
        gaps = [run.arrival(start) - run.arrival(rest) for rest, start in restarts]
        # The keep-playing timer looks once a second; allow for the restart itself.
        self.assertLess(max(gaps), 2.0, f"gaps between end and restart: {gaps}")
        print(f"\n  mp3: {len(restarts)} restarts, end-to-restart gaps "
              f"{', '.join(f'{g:.2f}' for g in gaps)} s; "
              f"restart commands {commands.count('play MP3Play from 0')}")

    def test_a_locked_session_silences_the_music_and_the_unlock_brings_it_back(self):
        wav = make_wav(media / "lock.wav")
        s = self.s
        before = set(s.audio_files())
        recorded = lambda: sum(p.stat().st_size for p in s.audio_files() if p not in before)

        def lock_and_unlock():
            wait_until(recorded, 10, "the music is heard")
            self.assertTrue(s.audio_device_open(), "the sound device is open while the music plays")
            s.post_session_change(7, desktop=AWAY_DESKTOP)
            # The sound device is closed: nothing more reaches the recording.
            wait_until(lambda: not s.audio_device_open(), 10, "the sound device closed at the lock")
            silent = recorded()
            s.post_session_change(8, desktop=AWAY_DESKTOP)
            wait_until(lambda: recorded() > silent, 10, "the music plays again after the unlock")

        run = self.run_saver(wav, seconds=0, once_shown=lock_and_unlock, desktop=AWAY_DESKTOP)
        self.assert_ended_cleanly(run)
        # Stopped at the lock, played from its start at the unlock, stopped at the exit.
        self.assertEqual(run.play_sound_calls(), [(False, 0xB), (True, 0), (False, 0xB), (True, 0)])
        self.assertGreaterEqual(len(s.audio_files()) - len(before), 2, "the device opened twice")

    def test_paths_with_blanks_and_japanese_characters_play(self):
        cases = [
            (make_mp3(media / "My Music" / "theme song.mp3"), "blanks mp3"),
            (make_mp3(media / "音楽" / "テーマ曲.mp3"), "japanese mp3"),
            (make_wav(media / "音楽 フォルダ" / "ループ.wav"), "japanese wav"),
            # The command parser takes "!" for its device/element separator; if the file is
            # refused as it is, it plays from a plain copy.
            (make_mp3(media / "Hey there!.mp3"), "exclamation mark mp3"),
        ]
        for index, (path, what) in enumerate(cases):
            with self.subTest(what):
                run = self.run_saver(path, seconds=2.5, name=f"path-{index}")
                self.assert_ended_cleanly(run)
                if path.suffix == ".mp3":
                    commands = run.mci_commands()
                    self.assertEqual(commands[0],
                                     f'open "{session.win_path(path)}" type MPEGVideo Alias MP3Play')
                    copies = [c for c in commands if PLAIN_COPY_OPEN.fullmatch(c)]
                    print(f"\n  {what}: {'refused, played from a plain copy' if copies else 'opened as it is'}")
                    for copy in copies:
                        self.assertFalse(session.linux_path(PLAIN_COPY_OPEN.fullmatch(copy).group(1)).exists(),
                                         "the plain copy is still there after the exit")
                else:
                    self.assertEqual(run.sound_names()[:1], [session.win_path(path)])
                labels = run.labels()
                self.assertIn("start", labels, f"{what}: nothing of the file was heard")
                self.assertIn("rest", labels, f"{what}: nothing of the file was heard")

    def test_an_mp3_the_device_refuses_plays_from_a_copy_without_its_tag_that_is_gone_after(self):
        # The refusing build of the saver turns down the first open, as Windows' MPEGVideo device
        # does for many files that carry a large picture.
        tag = id3v2_tag_with_picture(300 * 1024)
        mp3 = make_mp3(media / "with art" / "album track.mp3")
        audio = mp3.read_bytes()
        mp3.write_bytes(tag + audio)
        seen = {}

        def look_at_the_copy():  # made once the saver's first frame is shown
            found = wait_until(lambda: [p for p in self.s.prefix.glob("drive_c/users/*/**/QuarloBGM.mp3")
                                        if p.stat().st_size == len(audio)], 10, "the whole copy")
            seen["copies"] = [(p, p.read_bytes()) for p in found]

        run = self.run_saver(mp3, seconds=3.5, program=helper_path("refusing_saver"),
                             once_shown=look_at_the_copy)
        self.assert_ended_cleanly(run)

        commands = run.mci_commands()
        copy = PLAIN_COPY_OPEN.fullmatch(commands[0]) if commands else None
        self.assertTrue(copy, f"the first open that reached the system: {commands[:1]}")
        self.assertEqual(commands[1], "play MP3Play")
        self.assertEqual(commands[-2:], ["stop MP3Play", "close MP3Play"])
        self.assertEqual(len(seen["copies"]), 1, seen["copies"])
        path, data = seen["copies"][0]
        self.assertEqual(path.resolve(), self.s.linux_path(copy.group(1)).resolve())
        self.assertEqual(data, audio, "the copy is the file without its tag")
        labels = run.labels()
        self.assertIn("start", labels, "nothing of the copy was heard")
        self.assertIn("rest", labels, "nothing of the copy was heard")
        self.assertGreaterEqual(len(run.restarts()), 1, "the copy is not repeated")
        self.assertFalse(path.exists(), "the plain copy is still there after the exit")

    def test_a_key_while_the_copy_is_written_ends_the_saver_at_once_and_leaves_no_copy(self):
        mp3 = make_mp3(media / "stalled!.mp3")  # the refusing build never returns from its copy
        copies = lambda: list(self.s.prefix.glob("drive_c/users/*/**/QuarloBGM.mp3"))  # noqa: E731
        whole = lambda: [p for p in copies() if p.stat().st_size == mp3.stat().st_size]  # noqa: E731
        run = self.run_saver(mp3, seconds=0, program=helper_path("refusing_saver"),
                             once_shown=lambda: wait_until(whole, 10, "the whole copy"))
        self.assert_ended_cleanly(run)
        self.assertEqual(copies(), [], "the copy is still there after the exit")

    def test_files_of_other_types_are_not_played_and_start_no_timer(self):
        for index, path in enumerate([make_mid(media / "tune.mid"), make_ogg(media / "tune.ogg")]):
            with self.subTest(path.name):
                run = self.run_saver(path, seconds=2.5, name=f"other-{index}")
                self.assert_ended_cleanly(run)
                self.assertEqual(run.mci_commands(), [])
                self.assertEqual(run.play_sound_calls(), [])
                self.assert_silent(run)

    def test_a_missing_file_leaves_the_saver_silent(self):
        run = self.run_saver(media / "gone" / "missing.wav", seconds=2.0)
        self.assert_ended_cleanly(run)
        self.assertEqual(run.mci_commands(), [])
        self.assertEqual(run.play_sound_calls(), [])
        self.assert_silent(run)

    def test_an_mp3_that_is_not_an_mp3_keeps_the_saver_running_silently(self):
        fake = media / "noise.mp3"
        fake.write_bytes(np.random.default_rng(5).integers(0, 256, 64 * 1024, dtype=np.uint8).tobytes())
        run = self.run_saver(fake, seconds=3.0)
        self.assert_ended_cleanly(run)
        commands = run.mci_commands()
        self.assertTrue(commands and commands[0].startswith("open "), commands)
        # Whatever the open made of it, the timer goes on asking once a second.
        self.assertGreaterEqual(commands.count("status MP3Play mode"), 2, commands)
        self.assertEqual(commands[-2:], ["stop MP3Play", "close MP3Play"])
        self.assert_silent(run)


class CdWithoutDriveTest(MusicTestCase):
    def test_the_cd_is_polled_once_then_left_alone(self):
        # Wine's cdaudio cannot be opened here: the first poll finds no answer and polling ends.
        run = self.run_saver(None, seconds=2.5, source=1)
        self.assert_ended_cleanly(run)
        self.assertEqual(run.mci_commands(), ["open cdaudio", "set cdaudio time format tmsf",
                                              "status cdaudio current track"])
        self.assertEqual(run.play_sound_calls(), [])
        self.assert_silent(run)


class NoWaveDeviceTest(MusicTestCase):
    """A session whose sound system has no PCM device at all."""

    @classmethod
    def setUpClass(cls):
        cls.the_session = WineSession(audio=False).__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.the_session.close()

    def test_a_wav_file_is_not_played_and_nothing_fails(self):
        wav = make_wav(self.s.root / "media" / "loop.wav")
        run = self.run_saver(wav, seconds=2.0)
        self.assert_ended_cleanly(run)
        # The stop at the exit is the only PlaySound: nothing was started.
        self.assertEqual(run.play_sound_calls(), [(True, 0)])
        self.assertEqual(self.s.audio_files(), [])


if __name__ == "__main__":
    unittest.main()
