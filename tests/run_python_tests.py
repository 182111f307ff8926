#!/usr/bin/python3
"""Runs the Python test modules (test_*.py) in the given directories or files.

    /usr/bin/python3 tests/run_python_tests.py tests/assets tests/e2e

Progress is streamed as each test ends. The last line is always the summary,
`python: N passed, N failed` (errors count as failed) with `, N skipped` after it when some were
skipped. The exit code is non-zero when anything failed or nothing could be loaded."""

import sys
import time
import unittest
from pathlib import Path


class StreamingResult(unittest.TextTestResult):
    """Prints one line per test as it ends (failures with their traceback right away) and keeps
    one verdict per test: a test with a failing subtest has failed, and an error outside any
    test (a module's or class's set-up) counts as one failed entry of its own."""

    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.verdicts = {}
        self._current, self._started = None, 0.0

    def startTest(self, test):
        self._current = test
        self._started = time.monotonic()
        super().startTest(test)

    def _report(self, verdict, test, detail=""):
        took = ""  # set-up errors outside a test have no time of their own
        if self._current is not None and self._current in (test, getattr(test, "test_case", None)):
            took = f" ({time.monotonic() - self._started:.1f} s)"
        self.stream.write(f"{verdict:5} {test.id()}{took}{detail}\n")
        self.stream.flush()

    def _failed(self, test, kind, err):
        self.verdicts[test.id()] = "failed"
        self._report(kind, test, "\n" + self._exc_info_to_string(err, test))

    def addSuccess(self, test):
        unittest.TestResult.addSuccess(self, test)
        self.verdicts.setdefault(test.id(), "passed")
        self._report("ok", test)

    def addFailure(self, test, err):
        unittest.TestResult.addFailure(self, test, err)
        self._failed(test, "FAIL", err)

    def addError(self, test, err):
        unittest.TestResult.addError(self, test, err)
        self._failed(test, "ERROR", err)

    def addSubTest(self, test, subtest, err):
        unittest.TestResult.addSubTest(self, test, subtest, err)
        if err is not None:
            self.verdicts[test.id()] = "failed"
            failed_kind = "FAIL" if issubclass(err[0], test.failureException) else "ERROR"
            self._report(failed_kind, subtest, "\n" + self._exc_info_to_string(err, test))

    def addSkip(self, test, reason):
        unittest.TestResult.addSkip(self, test, reason)
        self.verdicts[test.id()] = "skipped"
        self._report("skip", test, f": {reason}")

    def addExpectedFailure(self, test, err):
        unittest.TestResult.addExpectedFailure(self, test, err)
        self.verdicts[test.id()] = "passed"
        self._report("xfail", test)

    def addUnexpectedSuccess(self, test):
        unittest.TestResult.addUnexpectedSuccess(self, test)
        self.verdicts[test.id()] = "failed"
        self._report("FAIL", test, ": passed but was marked as an expected failure")

    def printErrors(self):
        pass  # each was printed when it happened


def load(target, loader):
    """The tests of one directory (its test_*.py, importable from that directory) or one file."""
    path = Path(target).resolve()
    if path.is_dir():
        return loader.discover(str(path), pattern="test_*.py", top_level_dir=str(path))
    if path.is_file() and path.suffix == ".py":
        sys.path.insert(0, str(path.parent))
        return loader.loadTestsFromName(path.stem)
    raise FileNotFoundError(f"no test directory or module at {target}")


def main(targets):
    if not targets:
        print("usage: run_python_tests.py <dir-or-module>...", file=sys.stderr)
        print("python: 0 passed, 1 failed")
        return 2
    loader = unittest.TestLoader()
    suite = unittest.TestSuite()
    unloadable = 0
    for target in targets:
        try:
            suite.addTest(load(target, loader))
        except Exception as exc:  # a missing or broken target is a failure, never a silent zero
            print(f"ERROR loading {target}: {exc}", flush=True)
            unloadable += 1

    runner = unittest.TextTestRunner(stream=sys.stdout, resultclass=StreamingResult, verbosity=0)
    verdicts = list(runner.run(suite).verdicts.values())
    failed = verdicts.count("failed") + unloadable
    summary = f"python: {verdicts.count('passed')} passed, {failed} failed"
    if verdicts.count("skipped"):
        summary += f", {verdicts.count('skipped')} skipped"
    print(summary, flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
