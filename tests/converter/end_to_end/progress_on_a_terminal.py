#!/usr/bin/env python3
"""The progress display, seen through a pseudo-terminal as a user sees it.

zonvert converts (and lists) a generated file with standard error on a
terminal, on one thread and on four, plain and gzip-compressed:

- standard output is byte for byte that of the same run with standard error
  not on a terminal;
- what the terminal gets is nothing but progress lines, each drawn with the
  cursor saved before and restored after, and after the last one, the
  erasing of the line; with --quiet, nothing;
- with standard output on the same terminal, what it shows, the display's
  lines and erasings taken out, is that standard output (with the
  terminal's CR LF line ends), also for a run that fails.

No verdict depends on how long anything takes: the display is drawn once at
the start whatever the speed, and more often on a slow machine.

Usage: progress_on_a_terminal.py /path/to/zonvert /path/to/gen_tecplot.py
"""
import gzip
import os
import pty
import re
import subprocess
import sys
import tempfile

DRAW = rb"\x1b7zonvert: [ -~]*?\x1b\[K\x1b8"
ERASE = rb"\x1b\[K"


def run_on_terminal(command, folder, shared):
    """(status, standard output, what the terminal got) of a run with standard
    error on a pseudo-terminal; standard output on it too when `shared`."""
    master, slave = pty.openpty()
    with open(os.path.join(folder, "stdout"), "wb") as out:
        process = subprocess.Popen(command, cwd=folder, stdin=subprocess.DEVNULL,
                                   stdout=slave if shared else out, stderr=slave)
        os.close(slave)
        seen = b""
        while True:
            try:
                chunk = os.read(master, 65536)
            except OSError:  # the terminal's other side closed
                break
            if not chunk:
                break
            seen += chunk
        status = process.wait()
    os.close(master)
    with open(os.path.join(folder, "stdout"), "rb") as f:
        return status, f.read(), seen


def run_plain(command, folder):
    run = subprocess.run(command, cwd=folder, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE)
    return run.returncode, run.stdout, run.stderr


def check(label, command, folder):
    errors = []
    status, out, err = run_plain(command, folder)
    if err:
        errors.append("%s: standard error not on a terminal got %r" % (label, err[:200]))
    got_status, got_out, seen = run_on_terminal(command, folder, False)
    if (got_status, got_out) != (status, out):
        errors.append("%s: status %d and output %r on a terminal, %d and %r without" %
                      (label, got_status, got_out[:200], status, out[:200]))
    if not re.fullmatch(rb"(%s)+%s" % (DRAW, ERASE), seen):
        errors.append("%s: the terminal got %r" % (label, seen[:300]))
    _, _, quiet = run_on_terminal(command[:1] + ["--quiet"] + command[1:], folder, False)
    if quiet:
        errors.append("%s --quiet: the terminal got %r" % (label, quiet[:300]))
    shared_status, _, shown = run_on_terminal(command, folder, True)
    text = re.sub(ERASE, b"", re.sub(DRAW, b"", shown))
    if shared_status != status or text != out.replace(b"\n", b"\r\n"):
        errors.append("%s, output on the same terminal: %r, expected %r" % (label, text[:300], out[:300]))
    return errors


def main():
    zonvert, generator = sys.argv[1], sys.argv[2]
    errors = []
    with tempfile.TemporaryDirectory() as folder:
        plain = os.path.join(folder, "in.dat")
        subprocess.run([sys.executable, generator, plain, "--nx", "12", "--ny", "12", "--nz", "12", "--zones", "6"],
                       check=True)
        with open(plain, "rb") as f:
            text = f.read()
        with gzip.open(os.path.join(folder, "in.dat.gz"), "wb") as f:
            f.write(text)
        with open(os.path.join(folder, "cut.dat"), "wb") as f:
            f.write(text[: len(text) * 2 // 3])
        for name in ("in.dat", "in.dat.gz"):
            for threads in ("1", "4"):
                for options in (["--series"], ["--vtu", "--zones", "1::2", "--variables", "C1"]):
                    command = [zonvert, "--threads", threads] + options + [name, "out"]
                    errors += check(" ".join(command[1:]), command, folder)
            for options in (["--list"], ["--list", "--json", "--zones", "2:4"]):
                command = [zonvert] + options + [name]
                errors += check(" ".join(command[1:]), command, folder)
        errors += check("a cut file", [zonvert, "cut.dat", "out"], folder)
    for error in errors:
        print(error)
    print("%d failures" % len(errors))
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
