"""Private Wine sessions for the end-to-end tests.

    with WineSession() as s:
        saver = s.start(product_path(), "/s")
        s.wait_window("Quarlo_Main")
        s.key("space")
        assert s.wait_exit(saver, 10) == 0

A session owns a fresh directory under /tmp holding its own Wine prefix (a copy of a prefix built
once per machine and Wine version), a HOME whose ALSA default device records all sound, and its own
X display: Xvfb, or Xorg for monitors side by side (see WineSession). Everything runs in the
Japanese locale, so the ANSI code page is 932, unless the session is asked for another code page
(WineSession(code_page=1252) runs in the US English locale, as a Western system does). Leaving
the `with` block kills what the session started and deletes its directory.

Sound. With audio=True everything played through ALSA is converted by a plug device to one fixed
format and recorded: raw 44100 Hz, 2 channels, signed 16-bit little-endian, no header (AUDIO_RATE,
AUDIO_CHANNELS, AUDIO_DTYPE). Each opening of the sound device starts a new file: `audio_path`,
then audio_path.0001, .0002 and so on; audio_files() lists them and audio_samples() joins them.
Silence arrives as zero samples. The recording device is a null sink that never blocks, so Wine
writes faster than real time: the recording's time axis is sample time, not wall-clock time.
With audio=False the default device cannot be opened and Wine reports no wave output device.

A session that cannot be set up raises WineUnavailable with the reason: tests that need Wine fail,
they never pass or skip quietly.

Scripts get the same sessions from the command line: `harness.py run [options] -- COMMAND` runs
COMMAND with a session's environment and ends the session after it (`harness.py run --help`).
"""

import argparse
import contextlib
import fcntl
import hashlib
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import numpy as np
from PIL import Image

REPO = Path(__file__).resolve().parents[2]
WIN32_BUILD = REPO / "build" / "win32"
CACHE_ROOT = Path(os.environ.get("QUARLO_WINE_CACHE", "/tmp/quarlo-wine-cache"))

AUDIO_RATE = 44100
AUDIO_CHANNELS = 2
AUDIO_DTYPE = np.dtype("<i2")

# The Unix locale under which Wine takes each ANSI code page.
CODE_PAGE_LOCALES = {932: "ja_JP.UTF-8", 1252: "en_US.UTF-8"}

REQUIRED_TOOLS = ("wine", "wineboot", "wineserver", "Xvfb", "xdpyinfo", "xdotool", "import")
# What a session with monitors at their own positions needs besides (and Debian's
# xserver-xorg-video-dummy, whose absence Xorg's log names).
XORG_TOOLS = ("Xorg", "xrandr")

# Applied once to the cached prefix. It reports Windows 10, the system most users have (a fresh
# prefix of Debian's Wine reports Windows 7), with Windows' own default of showing focus and
# access-key marks only once the keyboard is used (Wine's shows them always: keyboard cues, bit
# 0x20 of the first byte of UserPreferencesMask). The saver's dialog asks for the usual Japanese
# faces, which Linux does not have; the IPA fonts stand in for them. A crash prints a backtrace instead of
# opening a dialog that would hang a test. There is no window manager on the virtual display, so
# Wine draws the window frames itself (Managed=N), as Windows does, and closes a full-screen
# window at once instead of waiting two seconds for a manager that never answers.
PREFIX_REG = r"""Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"ＭＳ Ｐゴシック"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"

[HKEY_CURRENT_USER\Software\Wine]
"Version"="win10"

[HKEY_CURRENT_USER\Control Panel\Desktop]
"UserPreferencesMask"=hex:10,00,02,80,12,00,00,00

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"""
FONT_SUBSTITUTES = {"ＭＳ Ｐゴシック": "IPAPGothic", "ＭＳ ゴシック": "IPAGothic"}
PREFIX_READY = "quarlo-prefix-ready"

RECORDING_ASOUNDRC = """\
# Every stream is converted to one known format and written raw; each opening of the device
# starts a new file (name, name.0001, ...) instead of overwriting the last one.
pcm.!default {{
  type plug
  slave {{ pcm "quarlo_recorder" format S16_LE rate {rate} channels {channels} }}
}}
pcm.quarlo_recorder {{
  type file
  slave.pcm "null"
  file "{path}"
  format "raw"
  truncate false
}}
"""
SILENT_ASOUNDRC = """\
# No usable PCM: the default device names a card that does not exist, so every open fails and
# Wine finds no wave output device.
pcm.!default { type hw card "QuarloNoSuchCard" }
ctl.!default { type hw card "QuarloNoSuchCard" }
"""


# The X server of a session with monitors side by side: Xorg with the dummy video driver, which
# drives no hardware. Its one screen has an output per monitor (DUMMY0 to DUMMY15) that xrandr
# sizes and places.
# No input devices, none found later, and no console: the dummy driver tells Xorg to leave the
# virtual terminals alone, and -sharevts -novtswitch -keeptty on its command line keep it from
# switching or taking one. xdotool reaches the server through XTEST, which needs no device.
XORG_CONF = """\
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoEnableDevices" "false"
  Option "AutoAddGPU" "false"
  Option "DontVTSwitch" "true"
  Option "DontZap" "true"
EndSection

Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam {video_ram_kib}
EndSection

Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
EndSection

Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
EndSection
"""
# Xorg reads /etc/X11/xorg.conf.d unless -configdir names a folder with a file in it.
XORG_CONF_DIR_NOTE = "# This session's Xorg takes its whole configuration from ../xorg.conf.\n"
# xrandr makes the screen only as large as leaves some of the dummy's VideoRam unused: room for
# at least this size, also for a test that changes the monitors with xrandr while it runs.
XORG_ROOM = (8192, 4096)


# A desktop of the tests' making for a saver that a lock is to hide: its desktop does not have the
# input, as a locked session's secure desktop takes it (see WineSession.start).
AWAY_DESKTOP = "QuarloAway"


class WineUnavailable(RuntimeError):
    """The Wine session could not be set up; the message says why."""


def product_path():
    """Quarlo.scr from the win32 build, or the file named by $QUARLO_SCR."""
    return Path(os.environ.get("QUARLO_SCR") or WIN32_BUILD / "Quarlo.scr")


def helper_path(name):
    """A helper program built from tests/e2e/helpers ("window_holder" or "window_holder.exe")."""
    if not name.endswith(".exe"):
        name += ".exe"
    return WIN32_BUILD / "tests" / "e2e" / "helpers" / name


def _run(cmd, env, timeout, what):
    try:
        done = subprocess.run(cmd, env=env, timeout=timeout, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    except subprocess.TimeoutExpired:
        raise WineUnavailable(f"{what}: no answer after {timeout} s ({' '.join(map(str, cmd))})")
    if done.returncode != 0:
        tail = done.stdout.decode("utf-8", "replace")[-2000:]
        raise WineUnavailable(f"{what} failed with exit code {done.returncode}:\n{tail}")
    return done.stdout.decode("utf-8", "replace")


def _check_tools():
    missing = [tool for tool in REQUIRED_TOOLS if shutil.which(tool) is None]
    if missing:
        raise WineUnavailable(f"missing tools: {', '.join(missing)} (run scripts/setup.sh)")


def _base_env():
    """The caller's environment without anything that would change Wine's locale or display."""
    env = {k: v for k, v in os.environ.items()
           if not k.startswith(("LC_", "WINE")) and k not in ("DISPLAY", "LANGUAGE")}
    env.update(LANG="ja_JP.UTF-8", WINEDEBUG="-all", WINEARCH="win32",
               WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
    return env


def _reg_file_escape(text):
    """A name as wineserver writes it into system.reg (non-ASCII as \\xNNNN)."""
    return "".join(c if ord(c) < 0x80 else "\\x%04x" % ord(c) for c in text)


def wait_until(condition, timeout, what, interval=0.1):
    """Polls condition() until it returns something true, and returns that. Raises TimeoutError
    naming `what` when it has not happened within timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise TimeoutError(f"{what}: not within {timeout} s")
        time.sleep(interval)


# --- The cached prefix ----------------------------------------------------------------------

def _prefix_key():
    version = _run(["wine", "--version"], _base_env(), 30, "wine --version").strip()
    recipe = "\n".join((version, _base_env()["WINEARCH"], PREFIX_REG))
    return hashlib.sha256(recipe.encode()).hexdigest()[:16]


def _prefix_ready(prefix):
    return ((prefix / PREFIX_READY).is_file() and (prefix / "system.reg").is_file()
            and (prefix / ".update-timestamp").is_file())


def _build_prefix(final):
    """wineboot a 32-bit prefix, import PREFIX_REG, and move it into place only when complete."""
    work = Path(tempfile.mkdtemp(prefix=final.name + ".build-", dir=final.parent))
    try:
        prefix, home, tmp = work / "prefix", work / "home", work / "tmp"
        home.mkdir()
        tmp.mkdir()
        env = dict(_base_env(), WINEPREFIX=str(prefix), HOME=str(home), TMPDIR=str(tmp))
        _run(["wineboot", "-i"], env, 300, "wineboot -i")
        reg = work / "prefix.reg"
        reg.write_bytes(("\ufeff" + PREFIX_REG.replace("\n", "\r\n")).encode("utf-16-le"))
        _run(["wine", "regedit", "/S", "Z:" + str(reg).replace("/", "\\")], env, 120,
             "wine regedit")
        _run(["wineserver", "-w"], env, 120, "wineserver -w")  # the registry is on disk now

        system_reg = (prefix / "system.reg").read_text("utf-8", "replace")
        for face, font in FONT_SUBSTITUTES.items():
            if f'"{_reg_file_escape(face)}"="{font}"' not in system_reg:
                raise WineUnavailable(f"font substitute {face} -> {font} missing after regedit")
        if not (prefix / ".update-timestamp").is_file():
            raise WineUnavailable("wineboot did not finish the prefix (.update-timestamp missing)")

        # The user folders link to the HOME used for the build; sessions get plain folders.
        for link in (prefix / "drive_c" / "users").glob("*/*"):
            if link.is_symlink():
                link.unlink()
                link.mkdir()
        # Debian's wine notes its server directory here; each session makes its own.
        (prefix / "wineserver").unlink(missing_ok=True)
        (prefix / PREFIX_READY).write_text("ok\n")
        shutil.rmtree(final, ignore_errors=True)
        prefix.rename(final)
    finally:
        shutil.rmtree(work, ignore_errors=True)


@contextlib.contextmanager
def _cached_prefix(timeout=600):
    """Yields the machine's ready prefix, building it first if needed. A shared lock is held
    while the caller copies it; the build holds it exclusively, so parallel sessions wait."""
    CACHE_ROOT.mkdir(parents=True, exist_ok=True)
    final = CACHE_ROOT / f"prefix-{_prefix_key()}"
    with open(CACHE_ROOT / f"{final.name}.lock", "a+") as lock:
        deadline = time.monotonic() + timeout
        while True:
            try:
                fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
                break
            except BlockingIOError:
                if time.monotonic() > deadline:
                    raise WineUnavailable(f"another session held {lock.name} for {timeout} s")
                time.sleep(0.2)
        if not _prefix_ready(final):
            _build_prefix(final)
        fcntl.flock(lock, fcntl.LOCK_SH)
        yield final


def persistent_prefix():
    """A prefix kept across runs for showing the saver on the user's own display:
    ~/.local/share/quarlo-wine/prefix-<key>, copied from the cached one on first use."""
    with _cached_prefix() as cached:
        target = Path.home() / ".local" / "share" / "quarlo-wine" / cached.name
        if not _prefix_ready(target):
            target.parent.mkdir(parents=True, exist_ok=True)
            work = Path(tempfile.mkdtemp(prefix=target.name + ".copy-", dir=target.parent))
            try:
                subprocess.run(["cp", "-a", str(cached), str(work / "prefix")], check=True)
                shutil.rmtree(target, ignore_errors=True)
                (work / "prefix").rename(target)
            finally:
                shutil.rmtree(work, ignore_errors=True)
    return target


# --- Processes ------------------------------------------------------------------------------

class WineProcess:
    """A Windows program started by WineSession.start; the Wine loader is its Unix process."""

    def __init__(self, popen, exe, command_text, log_path):
        self.popen, self.exe, self.command_text, self.log_path = popen, exe, command_text, log_path

    @property
    def pid(self):
        return self.popen.pid

    def log(self):
        """What Wine and the program wrote to stdout and stderr so far."""
        return self.log_path.read_text("utf-8", "replace") if self.log_path.exists() else ""

    def __repr__(self):
        return f"<{self.exe.name} {self.command_text!r} pid {self.pid}>"


def _command_args(args):
    """The argv that makes Wine hand the program exactly the command text " ".join(args).

    Wine rebuilds the command line as the quoted program path, then each argument after one
    space, quoting any argument that is empty or holds a space, tab or quote. Splitting the
    text at single spaces therefore reproduces it exactly, as long as it has no such pieces."""
    text = " ".join(args)
    if not text:
        return text, []
    parts = text.split(" ")
    if "" in parts or any(c in text for c in "\t\""):
        raise ValueError(f"Wine cannot pass the command text {text!r} unchanged "
                         "(no leading, trailing or double spaces, tabs or quotes)")
    return text, parts


def _read_line(fd, timeout):
    """Bytes from a pipe up to a newline; b"" on EOF or timeout."""
    data, deadline = b"", time.monotonic() + timeout
    while not data.endswith(b"\n"):
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([fd], [], [], left)[0]:
            return b""
        chunk = os.read(fd, 64)
        if not chunk:
            return b""
        data += chunk
    return data


def _modeline_60hz(width, height):
    """xrandr --newmode's timings for a mode of exactly this size at 60 Hz, with short blanking
    (a dummy output shows no picture; its clock only sets the refresh rate Windows reports)."""
    htotal, vtotal = width + 160, height + 30
    timings = (width, width + 48, width + 80, htotal, height, height + 3, height + 8, vtotal)
    return [f"{htotal * vtotal * 60 / 1e6:.3f}", *map(str, timings), "+hsync", "-vsync"]


def _escape_ere(text):
    return re.sub(r"([\\^$.|?*+()\[\]{}])", r"\\\1", text)


def _live_process_environ(pid):
    try:
        raw = Path(f"/proc/{pid}/environ").read_bytes()
        state = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()[0]
    except OSError:
        return None
    if state == "Z":
        return None
    return dict(item.split(b"=", 1) for item in raw.split(b"\0") if b"=" in item)


# --- The session ----------------------------------------------------------------------------

class WineSession:
    r"""The display is Xvfb or Xorg, as the monitors ask.

    screen is the primary monitor's size (default 1024 x 768), on Xvfb. Each size in more_screens
    adds a monitor: Xvfb then runs one screen per monitor joined by Xinerama (without RandR, which
    would hide them from Wine), and Wine reports one monitor per screen, every one with its
    top-left corner at the origin.

    monitors=[(width, height, x, y), ...] puts each monitor at its own place instead, as real
    desktops have them, the first one primary: WineSession(monitors=[(1920, 1080, 0, 0),
    (1280, 1024, 1920, 0)]) shows \\.\DISPLAY2 at 1920,0-3200,1024 beside a 1920 x 1080
    primary. The session then runs Xorg with the dummy video driver (Debian's
    xserver-xorg-video-dummy) and xrandr lays the monitors out, up to 16, each at a mode of its
    size: the driver's own when it has one (some run at 75 or 85 Hz), else one made at 60 Hz.
    Positions are the X screen's, those of screenshot() and window_geometry(); Windows puts the
    primary's corner at 0,0, so its coordinates are these less the primary's position. Not
    together with screen or more_screens.

    monitors and screen_size say what the session has: its monitors as (width, height, x, y) and
    the size of the whole X screen, the box around them all. dpi is the display's dots per inch
    (LogPixels: 120 is 125 %, 144 is 150 %, 192 is 200 %), one for all monitors; Wine shows every
    program at it, unstretched. windows is the version Wine reports, as winecfg names it: "win10"
    or "win7"."""

    def __init__(self, screen=None, audio=True, code_page=932, more_screens=(), dpi=96,
                 windows="win10", monitors=None):
        if code_page not in CODE_PAGE_LOCALES:
            raise ValueError(f"no locale for code page {code_page}: {sorted(CODE_PAGE_LOCALES)}")
        self.on_xorg = monitors is not None
        if self.on_xorg:
            if screen is not None or more_screens:
                raise ValueError("monitors= says where every monitor is: no screen or more_screens")
            self.monitors = [tuple(int(n) for n in monitor) for monitor in monitors]
            if not self.monitors or any(len(m) != 4 or min(m[:2]) < 1 or min(m[2:]) < 0
                                        for m in self.monitors):
                raise ValueError(f"monitors are (width, height, x, y), sizes at least 1 and "
                                 f"places at least 0: {monitors!r}")
        else:
            self.monitors = [(w, h, 0, 0) for w, h in [screen or (1024, 768), *more_screens]]
        self.screen_size = (max(w + x for w, _, x, _ in self.monitors),
                            max(h + y for _, h, _, y in self.monitors))
        self.more_screens = [tuple(size) for size in more_screens]
        self.audio = audio
        self.code_page = code_page
        self.dpi = dpi
        self.windows = windows
        self.root = None
        self.display = None
        self.env = None
        self._x_server = None
        self._started = []

    # Set-up and tear-down

    def __enter__(self):
        try:
            self._open()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()

    def _open(self):
        _check_tools()
        self.root = Path(tempfile.mkdtemp(prefix="quarlo-e2e-", dir="/tmp"))
        self.prefix = self.root / "prefix"
        self.home = self.root / "home"
        self.logs = self.root / "logs"
        for d in (self.home, self.logs, self.root / "tmp"):
            d.mkdir()
        self.audio_path = self.root / "audio.raw"
        with _cached_prefix() as cached:
            done = subprocess.run(["cp", "-a", str(cached), str(self.prefix)],
                                  stderr=subprocess.PIPE)
            if done.returncode != 0:
                raise WineUnavailable(f"copying the prefix failed: {done.stderr.decode()}")
        self._write_asoundrc()
        if self.on_xorg:
            self._start_xorg()
        else:
            self._start_xvfb()
        self.env = dict(_base_env(), WINEPREFIX=str(self.prefix), HOME=str(self.home),
                        TMPDIR=str(self.root / "tmp"), DISPLAY=self.display,
                        LANG=CODE_PAGE_LOCALES[self.code_page])
        settings = ""
        if self.dpi != 96:
            settings += ('[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n'
                         f'"LogPixels"=dword:{self.dpi:08x}\n\n')
        if self.windows != "win10":
            settings += f'[HKEY_CURRENT_USER\\Software\\Wine]\n"Version"="{self.windows}"\n'
        if settings:
            self.import_registry(settings)
            _run(["wineserver", "-w"], self.env, 120, "wineserver -w")

    def _write_asoundrc(self):
        if self.audio:
            text = RECORDING_ASOUNDRC.format(rate=AUDIO_RATE, channels=AUDIO_CHANNELS,
                                             path=self.audio_path)
        else:
            text = SILENT_ASOUNDRC
        (self.home / ".asoundrc").write_text(text)

    def _start_xvfb(self):
        """Start Xvfb and wait until it answers."""
        width, height = self.monitors[0][:2]
        screens = ["-screen", "0", f"{width}x{height}x24"]
        for index, (w, h) in enumerate(self.more_screens, start=1):
            screens += ["-screen", str(index), f"{w}x{h}x24"]
        if self.more_screens:
            screens = ["-extension", "RANDR", "+xinerama"] + screens
        self._start_x_server(["Xvfb"], screens, self.logs / "xvfb.log")
        env = dict(os.environ, DISPLAY=self.display)
        try:
            wait_until(lambda: subprocess.run(["xdpyinfo"], env=env, stdout=subprocess.DEVNULL,
                                              stderr=subprocess.DEVNULL).returncode == 0,
                       10, f"Xvfb on {self.display} answering xdpyinfo")
        except TimeoutError as error:
            raise WineUnavailable(str(error)) from None

    def _start_xorg(self):
        """Start Xorg on its own configuration and lay the monitors out."""
        missing = [tool for tool in XORG_TOOLS if shutil.which(tool) is None]
        if missing:
            raise WineUnavailable(f"missing tools: {', '.join(missing)} (run scripts/setup.sh)")
        folder = self.root / "xorg"
        (folder / "conf.d").mkdir(parents=True)
        (folder / "conf.d" / "session.conf").write_text(XORG_CONF_DIR_NOTE)
        width, height = (max(a, b) for a, b in zip(self.screen_size, XORG_ROOM))
        (folder / "xorg.conf").write_text(XORG_CONF.format(
            video_ram_kib=width * height * 4 // 1024 + 1024))
        log = self.logs / "xorg.log"
        self._start_x_server(["Xorg"], ["-config", str(folder / "xorg.conf"),
                                        "-configdir", str(folder / "conf.d"), "-logfile", str(log),
                                        "-noreset", "-sharevts", "-novtswitch", "-keeptty"],
                             self.logs / "xorg.out", log)
        self._lay_out_monitors()

    def _start_x_server(self, program, options, output, log=None):
        """Start an X server on the first free display from :100; return once it accepts
        connections. Raises WineUnavailable with the end of its log (`log`, else its output) if
        it ends for another reason than a display number taken by another server."""
        for number in range(100, 400):
            if (Path(f"/tmp/.X{number}-lock").exists()
                    or Path(f"/tmp/.X11-unix/X{number}").exists()):
                continue
            ready_r, ready_w = os.pipe()
            with open(output, "ab") as out:
                server = subprocess.Popen(
                    [*program, f":{number}", "-displayfd", str(ready_w), "-nolisten", "tcp",
                     *options],
                    pass_fds=(ready_w,), stdin=subprocess.DEVNULL, stdout=out, stderr=out)
            os.close(ready_w)
            answered = _read_line(ready_r, timeout=15)
            os.close(ready_r)
            if answered and server.poll() is None:
                self._x_server, self.display = server, f":{number}"
                return
            server.kill()
            server.wait()
            said = output.read_text("utf-8", "replace")
            if not re.search(r"already active|Cannot establish any listening sockets", said):
                text = (log if log and log.exists() else output).read_text("utf-8", "replace")
                errors = ([line for line in text.splitlines() if re.search(r"\] \(EE\) \S", line)]
                          or [text[-2000:]])
                raise WineUnavailable(f"{program[0]} :{number} did not start:\n"
                                      + "\n".join(errors[-12:]))
        raise WineUnavailable("no free X display number between :100 and :399")

    def _lay_out_monitors(self):
        """Give each monitor a dummy output at a mode of its size, primary first, and check that
        the X server shows them as asked."""
        env = dict(os.environ, DISPLAY=self.display)
        xrandr = lambda *args: _run(["xrandr", *args], env, 30, "xrandr")  # noqa: E731
        listing = xrandr()
        output_modes = {}  # each output's modes, as the listing shows them under it
        for line in listing.splitlines():
            if re.match(r"DUMMY\d+ ", line):
                modes = output_modes[line.split()[0]] = set()
            elif line.startswith("   ") and output_modes:
                modes.add(line.split()[0])
        outputs = list(output_modes)
        if len(outputs) < len(self.monitors):
            raise WineUnavailable(f"{len(self.monitors)} monitors, but Xorg's dummy driver has "
                                  f"{len(outputs)} outputs:\n{listing}")
        known = set().union(*output_modes.values())
        layout = ["--fb", "x".join(map(str, self.screen_size))]
        for output, (width, height, x, y) in zip(outputs, self.monitors):
            mode = f"{width}x{height}"
            if mode not in known:
                xrandr("--newmode", mode, *_modeline_60hz(width, height))
                known.add(mode)
            if mode not in output_modes[output]:
                xrandr("--addmode", output, mode)
            layout += ["--output", output, "--mode", mode, "--pos", f"{x}x{y}"]
            layout += ["--primary"] if output == outputs[0] else []
        xrandr(*layout)
        shown = sorted((int(w), int(h), int(x), int(y), name) for w, h, x, y, name in re.findall(
            r"^ *\d+: \S+ (\d+)/\d+x(\d+)/\d+\+(\d+)\+(\d+) +(\S+)$",
            xrandr("--listmonitors"), re.M))
        wanted = sorted(m + (o,) for m, o in zip(self.monitors, outputs))
        size = re.search(r" current (\d+) x (\d+),", xrandr())
        if shown != wanted or not size or tuple(map(int, size.groups())) != self.screen_size:
            raise WineUnavailable(f"xrandr shows the monitors {shown} on a screen of "
                                  f"{size and size.group(0)}, not {wanted} on "
                                  f"{self.screen_size}")

    def close(self):
        """Kill everything the session started and delete its directory. Safe to call twice."""
        for proc in self._started:
            if proc.popen.poll() is None:
                proc.popen.kill()
            with contextlib.suppress(subprocess.TimeoutExpired):
                proc.popen.wait(5)
        if self.env is not None:
            for args in (["wineserver", "-k"], ["wineserver", "-w"]):
                with contextlib.suppress(subprocess.TimeoutExpired):
                    subprocess.run(args, env=self.env, timeout=15, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
            self.env = None
        if self._x_server is not None and self._x_server.poll() is None:
            self._x_server.terminate()
            try:
                self._x_server.wait(10)
            except subprocess.TimeoutExpired:
                self._x_server.kill()
                self._x_server.wait()
        if self.root is not None:
            shutil.rmtree(self.root, ignore_errors=True)

    @property
    def x_server_pid(self):
        """The process of the session's X server (Xvfb or Xorg)."""
        return self._x_server.pid if self._x_server is not None else None

    def processes(self):
        """PIDs of the live processes of this session: its X server and everything of its prefix.
        Still answers after close(), which should leave none."""
        prefix = str(self.prefix).encode()
        pids = []
        for entry in Path("/proc").iterdir():
            if entry.name.isdigit():
                environ = _live_process_environ(entry.name)
                if environ is not None and (environ.get(b"WINEPREFIX") == prefix
                                            or int(entry.name) == self.x_server_pid):
                    pids.append(int(entry.name))
        return pids

    # Windows programs

    def start(self, exe_path, *args, cwd=None, desktop=None):
        """Start a Windows program whose command text (the part after its own path) is exactly
        " ".join(args); no args gives an empty command text. Runs in the program's folder
        unless cwd is given. Its output goes to the process's log(). With `desktop` it runs on
        that desktop (made for it), which does not have the input: Wine's input desktop stays
        the default one, as the secure desktop keeps it from a saver behind a locked session."""
        return self._start(exe_path, args, cwd, stdout=None, desktop=desktop)

    def _start(self, exe_path, args, cwd, stdout, desktop=None):
        exe_path = Path(exe_path).resolve()
        if not exe_path.is_file():
            raise FileNotFoundError(f"{exe_path} does not exist (build the win32 targets first)")
        text, argv = _command_args(args)
        log_path = self.logs / f"{exe_path.stem}-{len(self._started)}.log"
        launcher = [str(helper_path("on_desktop")), desktop] if desktop else []
        with open(log_path, "wb") as log:
            popen = subprocess.Popen(["wine", *launcher, str(exe_path), *argv], env=self.env,
                                     cwd=cwd or exe_path.parent, stdin=subprocess.DEVNULL,
                                     stdout=stdout or log, stderr=log, start_new_session=True)
        proc = WineProcess(popen, exe_path, text, log_path)
        self._started.append(proc)
        return proc

    def is_running(self, proc):
        return proc.popen.poll() is None

    def wait_exit(self, proc, timeout):
        """The program's exit status (Wine passes the low 8 bits of the Windows exit code; a
        negative value is the Unix signal that killed it). Raises TimeoutError if still running."""
        try:
            return proc.popen.wait(timeout)
        except subprocess.TimeoutExpired:
            raise TimeoutError(f"{proc} still running after {timeout} s") from None

    def kill(self, proc):
        if proc.popen.poll() is None:
            proc.popen.kill()
        proc.popen.wait(5)

    def run_windows_exe(self, exe, *args, timeout=30):
        """Run a console program to its end; returns (exit status, its stdout as text, decoded
        as UTF-8 with Windows line ends made Unix ones). Wine's own messages stay in log()."""
        proc = self._start(exe, args, None, stdout=subprocess.PIPE)
        try:
            out, _ = proc.popen.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill(proc)
            raise TimeoutError(f"{proc} still running after {timeout} s") from None
        return proc.popen.returncode, out.decode("utf-8", "replace").replace("\r\n", "\n")

    def import_registry(self, entries):
        """Adds regedit-file entries (the text after the header line) to the session's registry.
        Wine rewrites some font entries when a prefix first runs in another code page, so entries
        that must survive that are imported here, after the session has started."""
        reg = self.root / "tmp" / "import.reg"
        text = "Windows Registry Editor Version 5.00\n\n" + entries
        reg.write_bytes(("\ufeff" + text.replace("\n", "\r\n")).encode("utf-16-le"))
        _run(["wine", "regedit", "/S", self.win_path(reg)], self.env, 120, "wine regedit")

    # Paths and files

    def win_path(self, linux_path):
        r"""The Z:\ path under which Windows programs see a Linux path."""
        return "Z:" + str(Path(linux_path).resolve()).replace("/", "\\")

    def linux_path(self, path):
        r"""A Linux path for a Windows path (Z:\..., C:\...) or a Linux path unchanged."""
        text = str(path)
        if re.match(r"^[A-Za-z]:\\", text):
            return self.prefix / "dosdevices" / text[:2].lower() / text[3:].replace("\\", "/")
        return Path(text)

    def read_bytes(self, path):
        """The contents of a file named by its Linux or Windows path."""
        return Path(self.linux_path(path)).read_bytes()

    # Windows on the display

    def _x(self, *args, check=True):
        done = subprocess.run(args, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=20)
        if check and done.returncode != 0:
            raise RuntimeError(f"{' '.join(map(str, args))} failed: {done.stderr.decode().strip()}")
        return done.stdout.decode("utf-8", "replace")

    def find_windows(self, title, visible=True):
        """X ids of the windows whose title is exactly `title`."""
        search = ["xdotool", "search"] + (["--onlyvisible"] if visible else [])
        found = self._x(*search, "--name", f"^{_escape_ere(title)}$", check=False).split()
        # xdotool matches case-insensitively; keep only exact titles.
        return [int(xid) for xid in found
                if self._x("xdotool", "getwindowname", xid, check=False).rstrip("\n") == title]

    def wait_window(self, title, timeout=15.0, visible=True):
        """The X id of the first window titled exactly `title` to appear within timeout s.
        A window can be mapped before it has painted; wait for pixels with wait_until."""
        found = wait_until(lambda: self.find_windows(title, visible), timeout,
                           f"a {'visible ' if visible else ''}window titled {title!r}")
        return found[0]

    def visible_windows(self):
        """[(X id, title, (x, y, width, height))] of every mapped top-level window; a window
        without a title has the title ""."""
        found = []
        tree = self._x("xwininfo", "-root", "-children")
        for xid in re.findall(r"^\s+(0x[0-9a-f]+) ", tree, re.M):
            info = self._x("xwininfo", "-id", xid, check=False)
            if "Map State: IsViewable" not in info:
                continue
            title = self._x("xdotool", "getwindowname", str(int(xid, 16)), check=False)
            try:
                found.append((int(xid, 16), title.rstrip("\n"), self.window_geometry(int(xid, 16))))
            except RuntimeError:
                continue  # gone meanwhile
        return found

    def send_request(self, request, target):
        """Sends (SendMessage, not PostMessage) a request to a window as another program does:
        REQUEST is "WM_CLOSE", "SC_CLOSE" or "SC_SCREENSAVE", TARGET a window handle or the
        exact title of a top-level window. Returns once the window has handled it."""
        status, _ = self.run_windows_exe(helper_path("window_holder"), "--send", request,
                                         str(target))
        if status != 0:
            raise RuntimeError(f"window_holder --send {request} {target}: exit status {status}")

    def post_session_change(self, code, title="Quarlo_Main", desktop=None):
        """Posts WM_WTSSESSION_CHANGE with `code` to the top-level window of that title (on that
        desktop, see start), as the system does on a lock (7) or an unlock (8)."""
        where = ("--desktop", desktop) if desktop else ()
        status, _ = self.run_windows_exe(helper_path("post_message"), *where, title, "0x2B1",
                                         str(code))
        if status != 0:
            raise RuntimeError(f"post_message {title} 0x2B1 {code}: exit status {status}")

    def window_geometry(self, xid):
        """(x, y, width, height) of an X window on the screen."""
        out = self._x("xdotool", "getwindowgeometry", "--shell", str(xid))
        values = dict(line.split("=", 1) for line in out.split())
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def screenshot(self, box=None):
        """The whole display as an RGB image, or the part inside box=(left, top, right, bottom)."""
        done = subprocess.run(["import", "-silent", "-window", "root", "-depth", "8", "rgb:-"],
                              env=self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=20)
        width, height = self.screen_size
        if done.returncode != 0 or len(done.stdout) != width * height * 3:
            raise RuntimeError(f"screenshot failed: {done.stderr.decode().strip()}")
        image = Image.frombytes("RGB", (width, height), done.stdout)
        return image.crop(box) if box else image

    # Keyboard and mouse (XTEST, like a real user). With no window manager, keys go to the
    # focused window, or to the window under the pointer when none has the focus.

    def focused_window(self):
        """The X id of the window that has the keyboard focus (Wine gives it to the window it
        activates), or None."""
        out = self._x("xdotool", "getwindowfocus", check=False).strip()
        return int(out) if out.isdigit() else None

    def focus(self, xid):
        self._x("xdotool", "windowfocus", "--sync", str(xid))

    def key(self, keysym, window=None):
        """Press and release one key (an X keysym such as "a", "Escape", "Left", "alt+F4")."""
        if window is not None:
            self.focus(window)
        self._x("xdotool", "key", keysym)

    def type_text(self, text):
        self._x("xdotool", "type", "--delay", "20", text)

    def move_mouse(self, x, y):
        self._x("xdotool", "mousemove", "--sync", str(x), str(y))

    def click(self, x, y, button=1):
        self.move_mouse(x, y)
        self._x("xdotool", "click", str(button))

    def mouse_down(self, button=1):
        self._x("xdotool", "mousedown", str(button))

    def mouse_up(self, button=1):
        self._x("xdotool", "mouseup", str(button))

    # The sound recording

    def audio_files(self):
        """The recording files in the order they were written: the recorder starts a new file
        (audio.raw, audio.raw.0001, ...) each time a program opens the sound device."""
        return sorted(self.root.glob(self.audio_path.name + "*"), key=lambda p: (len(p.name), p.name))

    def audio_device_open(self):
        """Whether some process holds a recording file open, that is, has the sound device open."""
        names = {str(p) for p in self.audio_files()}
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                fds = os.listdir(f"/proc/{pid}/fd")
                if any(os.readlink(f"/proc/{pid}/fd/{fd}") in names for fd in fds):
                    return True
            except OSError:  # the process or the descriptor is gone
                pass
        return False

    def audio_samples(self):
        """Everything played so far, as floats in [-1, 1], one row per frame, one column per
        channel."""
        data = np.frombuffer(b"".join(p.read_bytes() for p in self.audio_files()),
                             dtype=AUDIO_DTYPE)
        frames = len(data) // AUDIO_CHANNELS
        return data[:frames * AUDIO_CHANNELS].reshape(frames, AUDIO_CHANNELS) / 32768.0

    def audio_seconds(self):
        """Length of the recording in sample time."""
        return len(self.audio_samples()) / AUDIO_RATE

    def audio_rms(self, start=0.0, end=None):
        """RMS level (full scale 1.0) of the recording between two sample times in seconds;
        0.0 for silence or an empty window."""
        samples = self.audio_samples()[int(start * AUDIO_RATE):
                                       None if end is None else int(end * AUDIO_RATE)]
        return float(np.sqrt(np.mean(samples ** 2))) if samples.size else 0.0

    def audio_sox_stats(self):
        """`sox ... -n stats` over the recording, for a human reading a failure."""
        raw = ["-t", "raw", "-r", str(AUDIO_RATE), "-e", "signed", "-b", "16",
               "-c", str(AUDIO_CHANNELS)]
        files = [arg for p in self.audio_files() for arg in raw + [str(p)]]
        if not files:
            return "no recording"
        done = subprocess.run(["sox", "--combine", "concatenate", *files, "-n", "stats"],
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        return done.stdout.decode("utf-8", "replace")


# --- From the command line ------------------------------------------------------------------

DESCRIPTION = """\
Runs COMMAND (wine with a program, or a script that calls wine) with the environment of a Wine
session and exits with its status. The session is a private one, as the tests have: a copy of
the cached prefix, a HOME of its own whose sound is recorded, and an Xvfb display, or with
--monitors an Xorg one whose monitors are side by side; the variable QUARLO_XVFB_PID names that X
server's process. When COMMAND ends, or this command is interrupted, everything the session
started ends and its folder is deleted. With --on-display, COMMAND runs on the caller's $DISPLAY
instead, with the caller's HOME, in a prefix kept across runs (~/.local/share/quarlo-wine)."""


def on_display_env(code_page=932):
    """The environment for showing programs on the caller's own display, in the persistent
    prefix, in the locale of `code_page`."""
    display = os.environ.get("DISPLAY")
    if not display:
        raise WineUnavailable("no $DISPLAY to show the program on")
    return dict(_base_env(), WINEPREFIX=str(persistent_prefix()), DISPLAY=display,
                LANG=CODE_PAGE_LOCALES[code_page])


def _size(text):
    width, _, height = text.partition("x")
    if not (width.isdigit() and height.isdigit()):
        raise argparse.ArgumentTypeError(f"a size is WIDTHxHEIGHT, not {text!r}")
    return int(width), int(height)


def _monitors(text):
    found = [re.fullmatch(r"(\d+)x(\d+)\+(\d+)\+(\d+)", item) for item in text.split(",")]
    if not all(found):
        raise argparse.ArgumentTypeError(f"monitors are WxH+X+Y,WxH+X+Y,..., not {text!r}")
    return [tuple(map(int, match.groups())) for match in found]


def _run_command(command, env):
    """Runs a Unix command to its end and returns its exit status; the command is stopped if
    this process is interrupted first."""
    child = subprocess.Popen(command, env=env)
    try:
        return child.wait()
    finally:
        if child.poll() is None:
            child.terminate()
            try:
                child.wait(10)
            except subprocess.TimeoutExpired:
                child.kill()
                child.wait()


def main(argv):
    parser = argparse.ArgumentParser(prog="harness.py", description=DESCRIPTION)
    commands = parser.add_subparsers(dest="verb", required=True)
    run = commands.add_parser("run", description=DESCRIPTION,
                              usage="%(prog)s [options] -- COMMAND...")
    run.add_argument("--screen", type=_size, metavar="WxH",
                     help="the primary monitor's size (default 1024x768)")
    run.add_argument("--monitor", type=_size, action="append", default=[], metavar="WxH",
                     help="one more monitor of this size (Xvfb puts its corner at the origin)")
    run.add_argument("--monitors", type=_monitors, metavar="WxH+X+Y,...",
                     help="every monitor at its place, the primary first (on Xorg; "
                          "not with --screen or --monitor): 1920x1080+0+0,1280x1024+1920+0")
    run.add_argument("--code-page", type=int, choices=sorted(CODE_PAGE_LOCALES), default=932,
                     help="the ANSI code page, through the Unix locale (default 932)")
    run.add_argument("--dpi", type=int, default=96,
                     help="the display's dots per inch (LogPixels; default 96, 144 is 150 %%)")
    run.add_argument("--silent", action="store_true", help="no sound device")
    run.add_argument("--on-display", action="store_true",
                     help="run on $DISPLAY in the persistent prefix")
    run.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args(argv)
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        run.error("no COMMAND")
    if args.monitors and (args.screen or args.monitor):
        run.error("--monitors places every monitor: no --screen or --monitor with it")
    # A terminated script leaves through the `with` block below, which ends the session.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(128 + signal.SIGTERM))
    try:
        if args.on_display:
            return _run_command(command, on_display_env(args.code_page))
        with WineSession(screen=args.screen, audio=not args.silent, code_page=args.code_page,
                         more_screens=args.monitor, dpi=args.dpi,
                         monitors=args.monitors) as session:
            return _run_command(command, dict(session.env,
                                              QUARLO_XVFB_PID=str(session.x_server_pid)))
    except WineUnavailable as error:
        print(f"harness.py: cannot set up a Wine session: {error}", file=sys.stderr)
        return 1
    except KeyboardInterrupt:
        return 128 + signal.SIGINT


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
