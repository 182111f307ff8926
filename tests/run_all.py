#!/usr/bin/python3
"""Runs every test of the project and ends with one summary line, `N passed, N failed`.

    /usr/bin/python3 tests/run_all.py            everything (the builds must exist: scripts/build.sh)
    /usr/bin/python3 tests/run_all.py native     only some phases: native sanitize fuzz wine python

Phases: the native GoogleTest executables; the same under AddressSanitizer and UBSan; each
libFuzzer target for a few seconds; the Win32-side GoogleTest executable under Wine; the Python
suites (artwork checks and the end-to-end tests under Wine). The exit code is non-zero when any
test failed or a phase could not run."""

import os
import re
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
BUILD = REPO / "build"
FUZZ_SECONDS = int(os.environ.get("QUARLO_FUZZ_SECONDS", "10"))
PHASES = ("native", "sanitize", "fuzz", "wine", "python")

totals = {"passed": 0, "failed": 0}


def count(phase, passed, failed, note=""):
    totals["passed"] += passed
    totals["failed"] += failed
    print(f"-- {phase}: {passed} passed, {failed} failed{note}", flush=True)


def gtest_counts(xml_path):
    """(passed, failed) from a GoogleTest XML report."""
    root = ET.parse(xml_path).getroot()
    cases = [c for c in root.iter("testcase") if c.get("result", "completed") != "skipped"]
    failed = sum(1 for c in cases if c.find("failure") is not None)
    return len(cases) - failed, failed


def run_gtest_dir(phase, directory, env=None):
    executables = sorted(p for p in directory.glob("*_tests") if os.access(p, os.X_OK))
    if not executables:
        count(phase, 0, 1, f" (no test executables in {directory}: run scripts/build.sh)")
        return
    passed = failed = 0
    with tempfile.TemporaryDirectory() as tmp:
        for exe in executables:
            report = Path(tmp) / f"{exe.name}.xml"
            done = subprocess.run([str(exe), f"--gtest_output=xml:{report}", "--gtest_brief=1"],
                                  env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                  timeout=600)
            output = done.stdout.decode("utf-8", "replace")
            if report.exists():
                p, f = gtest_counts(report)
            else:
                p, f = 0, 1
            if done.returncode != 0:
                f = max(f, 1)
                print(output[-6000:])
            print(f"   {exe.name}: {p} passed, {f} failed", flush=True)
            passed += p
            failed += f
    count(phase, passed, failed)


def phase_native():
    run_gtest_dir("native", BUILD / "native" / "tests")


def phase_sanitize():
    env = dict(os.environ, ASAN_OPTIONS="detect_leaks=1:abort_on_error=1",
               UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1")
    run_gtest_dir("sanitize", BUILD / "sanitize" / "tests", env)


def phase_fuzz():
    targets = sorted((BUILD / "fuzz" / "tests" / "fuzz").glob("fuzz_*"))
    targets = [t for t in targets if t.is_file() and os.access(t, os.X_OK)]
    if not targets:
        count("fuzz", 0, 1, " (no fuzz targets built)")
        return
    passed = failed = 0
    for target in targets:
        # New inputs go to a scratch folder; the seeds of tests/fuzz/corpus/<target> are read only.
        seeds = REPO / "tests" / "fuzz" / "corpus" / target.name.removeprefix("fuzz_")
        with tempfile.TemporaryDirectory() as corpus:
            done = subprocess.run([str(target), f"-max_total_time={FUZZ_SECONDS}",
                                   "-rss_limit_mb=2048", corpus,
                                   *([str(seeds)] if seeds.is_dir() else [])],
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=300)
        ok = done.returncode == 0
        runs = re.findall(rb"Done (\d+) runs", done.stdout)
        print(f"   {target.name}: {'ok' if ok else 'FAILED'}"
              f" ({runs[-1].decode() if runs else '?'} runs in {FUZZ_SECONDS} s)", flush=True)
        if not ok:
            print(done.stdout.decode("utf-8", "replace")[-4000:])
        passed += ok
        failed += not ok
    count("fuzz", passed, failed)


def phase_wine():
    sys.path.insert(0, str(REPO / "tests" / "e2e"))
    import harness  # noqa: E402

    exe = BUILD / "win32" / "quarlo_wine_tests.exe"
    if not exe.exists():
        count("wine", 0, 1, f" ({exe} missing: run scripts/build.sh)")
        return
    try:
        with harness.WineSession() as session:
            report = session.root / "tmp" / "wine_tests.xml"
            status, output = session.run_windows_exe(
                exe, f"--gtest_output=xml:{session.win_path(report)}", "--gtest_brief=1",
                timeout=600)
            passed, failed = gtest_counts(report) if report.exists() else (0, 1)
            # A process that dies after a complete, passing report has still failed: it may
            # have crashed in a destructor or while its threads were torn down. What Wine said
            # (a crash's backtrace among it) is in the program's log.
            if status != 0:
                failed = max(failed, 1)
                wine_said = "".join(log.read_text("utf-8", "replace")
                                    for log in session.logs.glob(f"{exe.stem}-*.log"))
                print(output[-6000:] + wine_said[-6000:])
                print(f"   {exe.name} ended with exit status {status}", flush=True)
        count("wine", passed, failed)
    except harness.WineUnavailable as error:
        count("wine", 0, 1, f" (Wine unavailable: {error})")


def phase_python():
    suites = [str(REPO / "tests" / "layers"), str(REPO / "tests" / "assets"),
              str(REPO / "tests" / "e2e")]
    done = subprocess.run([sys.executable, str(REPO / "tests" / "run_python_tests.py"), *suites],
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=3600)
    output = done.stdout.decode("utf-8", "replace")
    print(output, end="")
    match = re.search(r"python: (\d+) passed, (\d+) failed", output)
    if not match:
        count("python", 0, 1, " (the Python runner printed no summary)")
        return
    passed, failed = int(match.group(1)), int(match.group(2))
    if done.returncode != 0:
        failed = max(failed, 1)
    count("python", passed, failed)


def main(argv):
    chosen = argv or list(PHASES)
    for phase in chosen:
        if phase not in PHASES:
            print(f"unknown phase {phase!r}; phases: {' '.join(PHASES)}")
            return 2
    started = time.monotonic()
    for phase in chosen:
        print(f"== {phase}", flush=True)
        try:
            globals()[f"phase_{phase}"]()
        except Exception as error:  # a phase that cannot run counts as a failure, never a pass
            count(phase, 0, 1, f" (could not run: {error!r})")
    print(f"(took {time.monotonic() - started:.0f} s)")
    print(f"{totals['passed']} passed, {totals['failed']} failed")
    return 0 if totals["failed"] == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
