"""The release that scripts/package.sh makes: the installer under Wine, the version every file
states, two builds in fresh clones that agree byte for byte, and signing with a throw-away
certificate.

The harness's prefix is a 32-bit one, so the 32-bit system folder the installer must use is its
system32 (on 64-bit Windows it would be SysWOW64). Under Wine every program has administrator
rights and there is one user, so the installer's elevated copy starts without a prompt and writes
the same profile: what shows that the user's steps are left to the user's own process is the
elevated copy, run on its own, leaving HKCU as it was. Wine's trace of ShellExecuteEx and of the
DLLs each process loads shows which program is elevated and what it loads. The other user of
"Run as administrator" is named to the installer through its /SESSIONUSER= switch."""

import os
import re
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

from harness import REPO, WineSession, wait_until

DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
PENDING_KEY = r"HKLM\System\CurrentControlSet\Control\Session Manager"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quarlo"
SYSTEM_SAVER = r"C:\windows\system32\Quarlo.scr"
UNINSTALLER = r"C:\Program Files\Quarlo\Uninstall.exe"
EVERYONES_FOLDER = r"C:\users\Public\Quarlo"
OTHER_USER = "/SESSIONUSER=OTHER\\admin"  # the session's user, as a test names it
SIGN_VARIABLES = ("QUARLO_SIGN_CERT", "QUARLO_SIGN_KEY", "QUARLO_SIGN_PASS",
                  "QUARLO_SIGN_TIMESTAMP_URL")

release = None  # the folder the module's own scripts/package.sh run wrote
release_output = ""  # and what it printed


def package(out, env):
    """Runs scripts/package.sh --out OUT; returns its output. Fails the test on an error."""
    done = subprocess.run(["bash", str(REPO / "scripts" / "package.sh"), "--out", str(out)],
                          cwd=REPO, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, timeout=900)
    output = done.stdout.decode("utf-8", "replace")
    if done.returncode != 0:
        raise AssertionError(f"scripts/package.sh failed ({done.returncode}):\n{output[-4000:]}")
    return output


def unsigned_env(**extra):
    env = {k: v for k, v in os.environ.items()
           if k not in SIGN_VARIABLES and k != "SOURCE_DATE_EPOCH"}
    env.update(extra)
    return env


def setUpModule():
    global release, release_output, _release_dir
    _release_dir = tempfile.TemporaryDirectory(prefix="quarlo-release-")
    release = Path(_release_dir.name)
    release_output = package(release, unsigned_env())


def tearDownModule():
    _release_dir.cleanup()


def project_version():
    text = (REPO / "CMakeLists.txt").read_text()
    return re.search(r"project\(Quarlo VERSION (\d+\.\d+\.\d+)", text).group(1)


def setup_name(version):
    return f"Quarlo-Setup-{version}.exe"


def version_string(exe, key):
    """A value of the version resource's string table (stored as UTF-16 after its key)."""
    pattern = (re.escape(key.encode("utf-16-le")) + rb"\0\0(?:\0\0)?((?:[0-9.]\0)+)\0\0")
    match = re.search(pattern, exe.read_bytes())
    return match.group(1).decode("utf-16-le") if match else None


def read_sums(folder):
    """{file name: SHA-256} from a SHA256SUMS file."""
    lines = (folder / "SHA256SUMS").read_text().splitlines()
    return {name.lstrip("*"): digest for digest, name in (line.split(None, 1) for line in lines)}


def reg_values(session, key):
    """The values of a registry key as {name: data} (REG_DWORD data as an int), or None when the
    key does not exist; read with Wine's reg.exe in the session's prefix."""
    done = subprocess.run(["wine", "reg", "query", key], env=session.env, timeout=60,
                          stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT)
    if done.returncode != 0:
        return None
    values = {}
    for line in done.stdout.decode("cp932", "replace").splitlines():
        match = re.match(r"^\s+(\S.*?)\s+(REG_\w+)\s*(.*?)\s*$", line)
        if match:
            name, kind, data = match.groups()
            values[name] = int(data, 16) if kind == "REG_DWORD" else data
    return values


def reg_set(session, key, name, data):
    subprocess.run(["wine", "reg", "add", key, "/v", name, "/d", data, "/f"], env=session.env,
                   timeout=60, check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def user_registry(session):
    """HKCU as reg.exe exports it, key by key, without Wine's own keys, which every program that
    starts touches."""
    path = session.root / "tmp" / "hkcu.reg"
    subprocess.run(["wine", "reg", "export", "HKCU", session.win_path(path), "/y"],
                   env=session.env, timeout=60, check=True, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return {key for key in path.read_text("utf-16").split("\n\n")
            if not key.startswith("[HKEY_CURRENT_USER\\Software\\Wine\\")}


def start_traced(session, exe, *args):
    """Starts a program with Wine tracing, by process, ShellExecuteEx and the DLLs loaded; its
    log() gathers the trace of every process it starts in turn."""
    quiet = session.env["WINEDEBUG"]
    session.env["WINEDEBUG"] = "+pid,+exec,+loaddll"
    try:
        return session.start(exe, *args)
    finally:
        session.env["WINEDEBUG"] = quiet


def elevated(log):
    """[(program, the DLLs it loaded from outside the Windows folder)] for each program a traced
    process asked to run with administrator rights, as the next process of that file loaded them."""
    asked, found, started = [], {}, set()
    for pid, text in re.findall(r"^(\w+):\w+:trace:\w+:\w+ (.*)$", log, re.M):
        runas = re.match(r'mask=\S+ hwnd=\S+ verb=L"runas" file=L"(.*?)"', text)
        loaded = re.match(r'Loaded L"(.*?)"', text)
        path = (runas or loaded)[1].replace("\\\\", "\\") if runas or loaded else ""
        if runas:
            asked.append(path)
        elif loaded and pid not in started:  # the process's own program
            started.add(pid)
            if path in asked:
                asked.remove(path)
                found[pid] = (path, [])
        elif pid in found and loaded and not path.lower().startswith("c:\\windows\\"):
            found[pid][1].append(path)
    return list(found.values())


def wait_idle(session):
    """Waits until every program of the session has ended."""
    subprocess.run(["wineserver", "-w"], env=session.env, timeout=180, check=True)


def install(session, installer):
    """Runs the installer silently to its end, traced; fails the test unless it succeeds. Returns
    the trace."""
    proc = start_traced(session, installer, "/S")
    status = session.wait_exit(proc, 180)
    if status != 0:
        raise AssertionError(f"{installer.name} /S ended with status {status}:\n{proc.log()}")
    return proc.log()


class VersionTest(unittest.TestCase):
    def test_every_file_states_the_project_version(self):
        version = project_version()
        self.assertEqual(version_string(release / "Quarlo.scr", "FileVersion"), version)
        self.assertEqual(version_string(release / "Quarlo.scr", "ProductVersion"), version)
        installer = release / setup_name(version)
        self.assertTrue(installer.is_file(), f"{installer.name} missing from {release}")
        self.assertEqual(version_string(installer, "ProductVersion"), version)
        self.assertEqual(set(read_sums(release)), {"Quarlo.scr", installer.name})

        readme = (REPO / "README.md").read_text()
        named = set(re.findall(r"Quarlo-Setup-(\d+(?:\.\d+)*)\.exe", readme))
        self.assertEqual(named, {version}, "the installer the README names")
        manifest = (REPO / "src" / "program" / "quarlo.manifest").read_text()
        identity = re.search(r"<assemblyIdentity\b[^>]*\bversion=\"([\d.]+)\"", manifest)
        self.assertEqual(identity.group(1), version + ".0", "the manifest's assembly version")


class InstallerTest(unittest.TestCase):
    """A user's whole round: install, the saver runs from the system folder, install again over
    it, uninstall."""

    def test_install_run_reinstall_and_uninstall(self):
        version = project_version()
        installer = release / setup_name(version)
        with WineSession(audio=False) as s:
            # The user's own choices that the installer must leave alone, and a saver switched off.
            reg_set(s, DESKTOP_KEY, "ScreenSaveTimeOut", "420")
            reg_set(s, DESKTOP_KEY, "ScreenSaveActive", "0")
            saver = s.linux_path(SYSTEM_SAVER)

            # Only Setup itself runs with administrator rights, and it unpacks no plug-in to load.
            self.assertEqual(elevated(install(s, installer)), [(s.win_path(installer), [])])
            self.assert_installed(s, version)

            # Installing over the running saver sets the file in use aside until the next start.
            proc = s.start(saver, "/s")
            xid = s.wait_window("Quarlo_Main", timeout=30)
            running = saver.stat().st_ino
            install(s, installer)
            self.assert_installed(s, version)
            self.assertNotEqual(saver.stat().st_ino, running, "Quarlo.scr was not replaced")
            aside = [p for p in saver.parent.glob("Quarlo.scr.*") if p.stat().st_ino == running]
            self.assertEqual([p.suffix for p in aside], [".old"], "the running copy set aside")
            # Pairs of \??\path\0 and where it goes, nowhere (an empty string) for a deletion.
            pending = reg_values(s, PENDING_KEY).get("PendingFileRenameOperations", "") + "\\0"
            deletion = "\\??\\" + SYSTEM_SAVER.replace("Quarlo.scr", aside[0].name) + "\\0\\0"
            self.assertIn(deletion, pending, "its deletion at the next start")
            s.key("space", window=xid)
            self.assertEqual(s.wait_exit(proc, 30), 0, proc.log())

            settings = s.linux_path(r"C:\windows\system32\Quarlo.ini")
            stored = "[Section]\r\nQuarloの数= 120\r\n".encode("cp932")
            settings.write_bytes(stored)

            command = s.linux_path(UNINSTALLER)
            quiet = reg_values(s, UNINSTALL_KEY)["QuietUninstallString"]
            self.assertEqual(quiet, f'"{UNINSTALLER}" /S')
            uninstaller = start_traced(s, command, "/S")
            wait_idle(s)
            # The uninstaller runs on from a copy of itself in the temporary folder, and has the
            # one in the install folder, which only administrators can change, do the machine's
            # part where it lies; so that one goes when Windows next starts, as Wine does when a
            # program starts after all have ended.
            self.assertEqual(elevated(uninstaller.log()), [(UNINSTALLER, [])])
            self.assertIsNone(reg_values(s, UNINSTALL_KEY), "the uninstall entry left")
            wait_until(lambda: not command.parent.exists(), 60, "the uninstaller's folder gone")

            self.assertFalse(saver.exists(), "Quarlo.scr left in the system folder")
            desktop = reg_values(s, DESKTOP_KEY)
            self.assertNotIn("SCRNSAVE.EXE", desktop)
            self.assertEqual(desktop.get("ScreenSaveActive"), "0")
            self.assertEqual(desktop.get("ScreenSaveTimeOut"), "420")
            self.assertEqual(settings.read_bytes(), stored, "the silent uninstall keeps settings")

    def test_only_the_users_own_process_touches_their_settings(self):
        """The installer's copy that runs with administrator rights (its private switch) does the
        system folder and the uninstall entry, in the program files folder whatever it is told,
        and nothing else; when that part fails, the installer stops before the user's part. Run
        as another user than the session's, neither the installer nor the uninstaller touches
        the profile. Setup refuses a folder every user can write."""
        version = project_version()
        with WineSession(audio=False) as s:
            reg_set(s, DESKTOP_KEY, "SCRNSAVE.EXE", SYSTEM_SAVER)
            reg_set(s, DESKTOP_KEY, "ScreenSaveActive", "0")
            before = user_registry(s)
            proc = s.start(release / setup_name(version), "/S", "/D=" + EVERYONES_FOLDER)
            self.assertEqual(s.wait_exit(proc, 180), 2, "the status of a refused folder")
            self.assertIsNone(reg_values(s, UNINSTALL_KEY), "an uninstall entry")
            proc = s.start(release / setup_name(version), "/MACHINEPART", "/D=" + EVERYONES_FOLDER)
            self.assertEqual(s.wait_exit(proc, 180), 0, proc.log())
            self.assert_on_machine(s, version)
            self.assertFalse(s.linux_path(EVERYONES_FOLDER).exists())
            saver = s.linux_path(SYSTEM_SAVER)
            self.assertEqual(list(saver.parent.glob("Quarlo.scr*")), [saver])
            self.assertEqual(user_registry(s) ^ before, set(), "HKCU changed")

            installed = saver.stat().st_ino
            subprocess.run(["chattr", "+i", str(saver.parent)], check=True)  # even root may not
            try:
                proc = s.start(release / setup_name(version), "/S")
                self.assertEqual(s.wait_exit(proc, 180), 2, "the status of a failed install")
            finally:
                subprocess.run(["chattr", "-i", str(saver.parent)], check=True)
            self.assertEqual(list(saver.parent.glob("Quarlo.scr*")), [saver])
            self.assertEqual(saver.stat().st_ino, installed, "the installed Quarlo.scr replaced")
            self.assertEqual(user_registry(s) ^ before, set(), "HKCU changed")

            for program in (release / setup_name(version), s.linux_path(UNINSTALLER)):
                s.start(program, "/S", OTHER_USER)
                wait_idle(s)
                self.assertEqual(user_registry(s) ^ before, set(), f"HKCU changed by {program.name}")
            self.assertEqual(list(saver.parent.glob("Quarlo.scr*")), [], "Quarlo.scr left")
            self.assertIsNone(reg_values(s, UNINSTALL_KEY), "the uninstall entry left")

    def assert_installed(self, s, version):
        self.assert_on_machine(s, version)
        desktop = reg_values(s, DESKTOP_KEY)
        self.assertEqual(desktop.get("SCRNSAVE.EXE", "").lower(), SYSTEM_SAVER.lower())
        self.assertEqual(desktop.get("ScreenSaveActive"), "1")
        self.assertEqual(desktop.get("ScreenSaveTimeOut"), "420")

    def assert_on_machine(self, s, version):
        saver = s.linux_path(SYSTEM_SAVER)
        self.assertEqual(saver.read_bytes(), (release / "Quarlo.scr").read_bytes())
        self.assertTrue(s.linux_path(UNINSTALLER).is_file(), "no uninstaller")
        entry = reg_values(s, UNINSTALL_KEY)
        self.assertIsNotNone(entry, "no uninstall entry")
        expected = {
            "DisplayName": "Quarlo", "DisplayVersion": version, "Publisher": "Quarlo",
            "DisplayIcon": SYSTEM_SAVER + ",0", "UninstallString": f'"{UNINSTALLER}"',
            "QuietUninstallString": f'"{UNINSTALLER}" /S', "NoModify": 1, "NoRepair": 1,
        }
        self.assertEqual({k: entry.get(k) for k in expected}, expected)
        self.assertGreaterEqual(entry.get("EstimatedSize", 0), saver.stat().st_size // 1024)


class ReproducibleTest(unittest.TestCase):
    def test_fresh_clones_build_the_same_bytes(self):
        """A clone of HEAD in another folder, time zone and locale packages the same bytes as
        this checkout, which CI makes as a fresh clone. With uncommitted changes here, two
        clones are compared instead."""
        git = lambda *args: subprocess.run(["git", *args], cwd=REPO, check=True,
                                           stdout=subprocess.PIPE).stdout.decode()
        head = git("rev-parse", "HEAD").strip()
        clean = git("status", "--porcelain") == ""
        with tempfile.TemporaryDirectory(prefix="quarlo-repro-") as tmp:
            builds = [(Path(tmp) / "second" / "build" / "q",
                       unsigned_env(TZ="Asia/Tokyo", LANG="ja_JP.UTF-8"))]
            if not clean:
                builds.append((Path(tmp) / "a" / "Quarlo", unsigned_env(TZ="UTC", LANG="C")))
            running = []
            for clone, env in builds:
                clone.parent.mkdir(parents=True)
                subprocess.run(["git", "clone", "-q", "--no-checkout", str(REPO), str(clone)],
                               check=True)
                subprocess.run(["git", "-C", str(clone), "checkout", "-q", "--detach", head],
                               check=True)
                # Each clone finds the commit's time by itself (SOURCE_DATE_EPOCH is unset).
                log = open(clone.parent / "package.log", "wb")
                running.append((subprocess.Popen(
                    ["bash", "scripts/package.sh", "--out", "release"], cwd=clone, env=env,
                    stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT), log, clone))
            for proc, log, clone in running:
                status = proc.wait(900)
                log.close()
                self.assertEqual(status, 0, (clone.parent / "package.log").read_text()[-4000:])
            sums = [read_sums(clone / "release") for _, _, clone in running]
            if clean:
                sums.append(read_sums(release))
            self.assertEqual(set(sums[0]), {"Quarlo.scr", setup_name(project_version())})
            self.assertEqual(sums[0], sums[1], "a fresh clone against " + (
                "this checkout (is build/win32 stale?)" if clean else "another fresh clone"))


class SigningTest(unittest.TestCase):
    def test_signed_copies_verify_and_leave_the_unsigned_files_alone(self):
        version = project_version()
        with tempfile.TemporaryDirectory(prefix="quarlo-sign-") as tmp:
            tmp = Path(tmp)
            subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                            "-keyout", str(tmp / "key.pem"), "-out", str(tmp / "cert.pem"),
                            "-days", "2", "-subj", "/CN=Quarlo test signer"],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            output = package(tmp / "out", unsigned_env(QUARLO_SIGN_CERT=str(tmp / "cert.pem"),
                                                       QUARLO_SIGN_KEY=str(tmp / "key.pem")))
            self.assertNotIn("unsigned", output)
            self.assertEqual(read_sums(tmp / "out"), read_sums(release),
                             "signing changed the unsigned files")
            signed = tmp / "out" / "signed"
            self.assertEqual(set(read_sums(signed)), {"Quarlo.scr", setup_name(version)})

            # The uninstaller is made inside the installer: install it to get it out.
            with WineSession(audio=False) as s:
                install(s, signed / setup_name(version))
                installed_saver = s.linux_path(SYSTEM_SAVER)
                self.assertEqual(installed_saver.read_bytes(),
                                 (signed / "Quarlo.scr").read_bytes())
                uninstaller = tmp / "Uninstall.exe"
                shutil.copy(s.linux_path(UNINSTALLER), uninstaller)

            for exe in (signed / "Quarlo.scr", signed / setup_name(version), uninstaller):
                done = subprocess.run(["osslsigncode", "verify", "-in", str(exe),
                                       "-CAfile", str(tmp / "cert.pem")],
                                      stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
                report = done.stdout.decode("utf-8", "replace")
                self.assertEqual(done.returncode, 0, f"{exe.name}:\n{report}")
                self.assertIn("Quarlo test signer", report, exe.name)

    def test_without_a_certificate_and_key_it_builds_unsigned_and_says_so(self):
        self.assertIn("unsigned", release_output)
        self.assertFalse((release / "signed").exists())

if __name__ == "__main__":
    unittest.main()
