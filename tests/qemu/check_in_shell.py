#!/usr/bin/env python3
"""Runs one program in the OVMF shell and holds its console output and exit
status against what the same program prints on the host's simulated board.

    check_in_shell.py --efi PROGRAM.efi --host-program PATH --status 0x6 [ARG...]

The console of the shell must show exactly the host program's output with
every line ended by CR LF, followed by the expected %lasterror%.
"""

import argparse
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import qemu_shell  # noqa: E402

BEGIN_MARK = "=== begin ==="
STATUS_PREFIX = "=== status "


def expected_console(host_program, arguments):
    result = subprocess.run([host_program] + arguments, stdout=subprocess.PIPE)
    text = result.stdout.decode("utf-8")
    return text.replace("\n", "\r\n")


def shell_output(efi, arguments):
    name = os.path.basename(efi)
    body = ['echo "%s"' % BEGIN_MARK, " ".join([name] + arguments),
            'echo "%s%%lasterror%%"' % STATUS_PREFIX]
    console = qemu_shell.run_shell([efi], body)
    start = console.find(BEGIN_MARK + "\r\n")
    end = console.find(STATUS_PREFIX, start)
    if start < 0 or end < 0:
        raise AssertionError("markers not found in the console:\n" + console)
    program_text = console[start + len(BEGIN_MARK) + 2:end]
    status = console[end + len(STATUS_PREFIX):].split("\r\n", 1)[0].strip()
    return program_text, status


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--efi", required=True)
    parser.add_argument("--host-program", required=True)
    parser.add_argument("--status", required=True, help="expected %%lasterror%%, e.g. 0x6")
    parser.add_argument("arguments", nargs="*")
    options = parser.parse_args()

    expected = expected_console(options.host_program, options.arguments)
    actual, status = shell_output(options.efi, options.arguments)
    failures = []
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
