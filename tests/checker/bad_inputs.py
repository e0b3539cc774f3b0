#!/usr/bin/env python3
"""Runs quotidia-check on books and surroundings meant to break it, and holds each run to
a clear result in bounded memory and time: the exit code, the message, the size of the
report, and the peak resident memory of the process (from wait4; Linux counts the forked
test process before it runs the checker too, so the figure is an upper bound).

Usage: bad_inputs.py QUOTIDIA_CHECK
Each test writes its books into a temporary folder of its own and removes it after.
"""
import os
import resource
import signal
import stat
import subprocess
import sys
import tempfile
import time
import unittest

CHECKER = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else "quotidia-check"
SHIPPED_BOOK = os.path.join(os.path.dirname(__file__), "..", "..", "Quotes.txt")
PEAK_LIMIT_KIB = 64 * 1024
MIB = 1024 * 1024


class Run:
    """One finished run: exit code, output, error text, peak memory and wall time."""

    def __init__(self, code, output, error, peak_kib, seconds):
        self.code, self.output, self.error = code, output, error
        self.peak_kib, self.seconds = peak_kib, seconds


def run(arguments, stdout_path=None, limit_seconds=60, as_user=None, address_space=None):
    with tempfile.TemporaryFile() as captured_out, tempfile.TemporaryFile() as captured_err:
        out = open(stdout_path, "wb") if stdout_path else captured_out

        def prepare():
            if address_space:
                resource.setrlimit(resource.RLIMIT_AS, (address_space, address_space))
            if as_user is not None:
                os.setgid(as_user)
                os.setuid(as_user)

        started = time.monotonic()
        child = subprocess.Popen([CHECKER, *arguments], stdin=subprocess.DEVNULL, stdout=out,
                                 stderr=captured_err, preexec_fn=prepare,
                                 env={**os.environ, "LC_ALL": "C.UTF-8"})
        while True:
            pid, status, usage = os.wait4(child.pid, os.WNOHANG)
            if pid:
                break
            if time.monotonic() - started > limit_seconds:
                child.kill()
                os.wait4(child.pid, 0)
                raise AssertionError(f"{arguments} still ran after {limit_seconds} s")
            time.sleep(0.01)
        child.returncode = 0  # reaped above; keeps Popen from waiting again
        seconds = time.monotonic() - started
        if stdout_path:
            out.close()
        captured_out.seek(0)
        captured_err.seek(0)
        code = os.waitstatus_to_exitcode(status)
        report = f"{' '.join(arguments)[:60]}: exit {code}, {usage.ru_maxrss} KiB, {seconds:.2f} s"
        print(report, file=sys.stderr)
        return Run(code, captured_out.read().decode(), captured_err.read().decode(),
                   usage.ru_maxrss, seconds)


class BadInputs(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="quotidia-check-")
        os.chmod(self.folder, 0o755)

    def tearDown(self):
        for name in os.listdir(self.folder):
            os.remove(os.path.join(self.folder, name))
        os.rmdir(self.folder)

    def path(self, name):
        return os.path.join(self.folder, name)

    def write(self, name, pieces):
        with open(self.path(name), "wb") as book:
            for piece in pieces:
                book.write(piece)
        return self.path(name)

    def assert_bounded(self, result, lines_at_most=60):
        self.assertLess(result.peak_kib, PEAK_LIMIT_KIB)
        self.assertLessEqual(result.output.count("\n"), lines_at_most)

    def test_millions_of_abbreviated_keys(self):
        book = self.write("dec6.txt", [b"Dec 6\r\n" * (60 * 1000 * 1000 // 7)])
        result = run([book])
        self.assertEqual(result.code, 1, result.error)
        self.assertIn(":10: \"Dec 6\" looks like a day key", result.output)
        self.assertIn(": \u2026 and 8,571,418 more like this\n", result.output)
        self.assertTrue(result.output.endswith(": 8571794 problems\n"))
        self.assert_bounded(result)

    def test_one_million_problem_lines_of_several_kinds(self):
        book = self.write("problems.txt", [b"May 1\r\nOne\r\n\r\n",
                                           b"December 06\r\nNUL \0\r\nMay 1\r\n\r\n" * 333334])
        result = run([book])
        self.assertEqual(result.code, 1, result.error)
        self.assertEqual(result.output.count("more like this"), 5, result.output)
        self.assertLess(len(result.output.encode()), 16 * 1024)
        self.assert_bounded(result)

    def test_a_line_of_256_mib(self):
        book = self.write("long.txt", [b"May 1\r\n", b"x" * (256 * MIB), b"\r\n\r\n"])
        result = run([book])
        self.assertEqual(result.code, 1, result.error)
        self.assertIn(":1: the entry for \"May 1\" is longer than the 65536", result.output)
        self.assert_bounded(result)
        day = run([book, "--day", "May 1"])
        self.assertEqual(day.code, 0, day.error)
        self.assertEqual(len(day.output), 65535 + 1)  # the text less its separator, a line end
        self.assert_bounded(day, lines_at_most=1)

    def test_devices_and_fifos_are_refused_unread(self):
        fifo = self.path("fifo")
        os.mkfifo(fifo)
        for file, kind in (("/dev/zero", "a character device"), (fifo, "a FIFO")):
            for arguments in ([file], [file, "--day=December 6"]):
                result = run(arguments, limit_seconds=10)
                self.assertEqual(result.code, 2)
                self.assertIn(f"cannot open {file}: it is {kind}", result.error)
                self.assertEqual(result.output, "")

    @unittest.skipUnless(os.getuid() == 0 or not os.access("/", os.W_OK), "needs a user to be")
    def test_permission_denied_is_told_from_a_missing_file(self):
        book = self.write("locked.txt", [b"May 1\r\nOne\r\n\r\n"])
        os.chmod(book, 0)
        nobody = 65534 if os.getuid() == 0 else None
        result = run([book], as_user=nobody)
        self.assertEqual(result.code, 2)
        self.assertEqual(result.error, f"quotidia-check: cannot open {book}: Permission denied\n")
        missing = run([self.path("missing.txt")])
        self.assertIn("missing.txt: No such file or directory", missing.error)

    def test_output_that_cannot_be_written_is_reported(self):
        book = self.write("book.txt", [b"December 6\r\nOne\r\n\r\n"])
        for arguments in ([book], [book, "--day=December 6"], ["--help"]):
            result = run(arguments, stdout_path="/dev/full")
            self.assertEqual(result.code, 2)
            self.assertEqual(result.error,
                             "quotidia-check: cannot write the output: No space left on device\n")

    def test_running_out_of_memory_is_reported_not_an_abort(self):
        book = self.write("long.txt", [b"May 1\r\n", b"x" * (8 * MIB), b"\r\n\r\n"])
        result = run([book], address_space=8 * MIB)
        self.assertEqual(result.code, 2)
        self.assertEqual(result.error, "quotidia-check: out of memory\n")

    def test_a_book_of_1_gib(self):
        with open(SHIPPED_BOOK, "rb") as book:
            shipped = book.read()
        book = self.write("big.txt", [shipped] * (1024 * MIB // len(shipped) + 1))
        result = run([book], limit_seconds=120)
        self.assertEqual(result.code, 1, result.error)
        self.assertIn("more like this", result.output)
        self.assert_bounded(result)
        day = run([book, "--day=December 6"], limit_seconds=120)
        self.assertEqual(day.code, 0, day.error)
        self.assert_bounded(day)


if __name__ == "__main__":
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)
    unittest.main(argv=[sys.argv[0], "-v"])
