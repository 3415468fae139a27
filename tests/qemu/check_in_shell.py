#!/usr/bin/env python3
"""Runs one program in the OVMF shell and holds its console output and exit
status against what the same program prints on the host's simulated board.

    check_in_shell.py --efi PROGRAM.efi --host-program PATH --status 0x6 \
        [--file INPUT]... [--compare OUTPUT]... [--clock 2025-12-01T12:00:00] [-- ARG...]

The console of the shell must show exactly the host program's output with
every line ended by CR LF, followed by the expected %lasterror%. Input files
are given to both runs in their current directory; the named output files
must come out byte for byte the same. --clock pins both wall clocks (the
host's a few seconds later, as the shell takes that long to start).
"""

import argparse
import calendar
import filecmp
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import qemu_shell  # noqa: E402

BEGIN_MARK = "=== begin ==="
STATUS_PREFIX = "=== status "


BOOT_SECONDS = 10


def epoch_of(clock):
    return calendar.timegm(time.strptime(clock, "%Y-%m-%dT%H:%M:%S"))


def expected_console(host_program, arguments, inputs, work_dir, clock):
    for path in inputs:
        shutil.copy(path, work_dir)
    environment = dict(os.environ)
    if clock:
        environment["SIM_CLOCK"] = str(epoch_of(clock) + BOOT_SECONDS)
    result = subprocess.run([os.path.abspath(host_program)] + arguments, cwd=work_dir,
                            env=environment, stdout=subprocess.PIPE)
    text = result.stdout.decode("utf-8")
    # The firmware's serial terminal shows each character beyond ASCII as "?".
    text = text.encode("ascii", "replace").decode("ascii")
    return text.replace("\n", "\r\n")


def shell_output(efi, arguments, inputs, outputs, out_dir, clock):
    name = os.path.basename(efi)
    body = ['echo "%s"' % BEGIN_MARK, " ".join([name] + arguments),
            'echo "%s%%lasterror%%"' % STATUS_PREFIX]
    qemu_args = ["-rtc", "base=" + clock + ",clock=vm"] if clock else []
    console = qemu_shell.run_shell([efi] + inputs, body, qemu_args, outputs, out_dir)
    start = console.find(BEGIN_MARK + "\r\n")
    end = console.find(STATUS_PREFIX, start)
    if start < 0 or end < 0:
        raise AssertionError("markers not found in the console:\n" + console)
    program_text = console[start + len(BEGIN_MARK) + 2:end]
    status = console[end + len(STATUS_PREFIX):].split("\r\n", 1)[0].strip()
    return program_text, status


def compare_files(names, host_dir, shell_dir):
    failures = []
    for name in names:
        host_file = os.path.join(host_dir, name)
        shell_file = os.path.join(shell_dir, name)
        if not os.path.exists(shell_file):
            failures.append("%s was not written in the shell" % name)
        elif not os.path.exists(host_file):
            failures.append("%s was not written on the host" % name)
        elif not filecmp.cmp(host_file, shell_file, shallow=False):
            failures.append("%s differs from the host's" % name)
    return failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--efi", required=True)
    parser.add_argument("--host-program", required=True)
    parser.add_argument("--status", required=True, help="expected %%lasterror%%, e.g. 0x6")
    parser.add_argument("--file", action="append", default=[], help="input file")
    parser.add_argument("--compare", action="append", default=[], help="output file")
    parser.add_argument("--clock", help="wall clock, UTC, as 2025-12-01T12:00:00")
    parser.add_argument("arguments", nargs="*")
    options = parser.parse_args()

    work = tempfile.mkdtemp(prefix="check-in-shell-")
    try:
        host_dir = os.path.join(work, "host")
        shell_dir = os.path.join(work, "shell")
        os.makedirs(host_dir)
        os.makedirs(shell_dir)
        expected = expected_console(options.host_program, options.arguments, options.file,
                                    host_dir, options.clock)
        actual, status = shell_output(options.efi, options.arguments, options.file,
                                      options.compare, shell_dir, options.clock)
        failures = compare_files(options.compare, host_dir, shell_dir)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if actual != expected:
        failures.append("console differs from the host program's output:\n--- expected\n%r\n"
                        "--- in the shell\n%r" % (expected, actual))
    if "\n" in actual.replace("\r\n", ""):
        failures.append("a line ends without CR")
    if status.upper() != options.status.upper():
        failures.append("%%lasterror%% is %s, expected %s" % (status, options.status))
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
