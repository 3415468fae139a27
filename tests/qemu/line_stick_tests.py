#!/usr/bin/env python3
"""The line stick as a station uses it: the image from scripts/make-line-stick
is the only drive, a USB mass-storage device behind an xHCI controller; OVMF
falls back to its shell, which maps it and runs its startup.nsh. The labels
are typed over the serial console when each prompt appears (one refused MAC
among them), and units.log is read back off the image with mtools and parsed.
No BMC answers here, so a unit ends with status 7 and the FAIL banner; a
rehearsal stick (EXTRA_WORDS=DSBSHM) ends with 0 and the PASS banner.

    line_stick_tests.py --images build/uefi [unittest args]
"""

import argparse
import hashlib
import json
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import qemu_shell  # noqa: E402

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
IMAGES = [None]
# (prompt, what the scanner types); the second MainMAC answer follows a refusal.
ANSWERS = [
    (b"Scan BSN: ", b"BSN-0001\r"),
    (b"Scan PSN: ", b"PSN-0001\r"),
    (b"Scan MainMAC: ", b"02:1B:2C\r"),
    (b"must be 12 hexadecimal digits", b"021B2C3D4E5F\r"),
]


def stick_command(image, vars_copy):
    return [
        "qemu-system-x86_64", "-nodefaults", "-vga", "none", "-no-reboot",
        "-display", "none", "-machine", "pc", "-m", "256", "-accel", "tcg",
        "-serial", "stdio",
        "-drive", "if=pflash,format=raw,readonly=on,file=" + qemu_shell.OVMF_CODE,
        "-drive", "if=pflash,format=raw,file=" + vars_copy,
        "-drive", "if=none,id=stick,format=raw,file=" + image,
        "-device", "qemu-xhci", "-device", "usb-storage,drive=stick,removable=on",
    ]


def type_slowly(process, keys):
    # The emulated UART has a small FIFO: one key at a time, as a scanner does.
    for key in keys:
        process.stdin.write(bytes([key]))
        process.stdin.flush()
        time.sleep(0.05)


def drive_station(process, timeout):
    """Answers the shell's skip prompt and each label prompt, then the final
    pause; returns the console up to that pause, which follows the banner."""
    steps = [(qemu_shell.SKIP_PROMPT, b" ")] + ANSWERS + [(b"to quit", b"q")]
    output = bytearray()
    searched = 0
    deadline = time.monotonic() + timeout
    descriptor = process.stdout.fileno()
    while steps:
        if time.monotonic() > deadline:
            raise AssertionError("no %r within %d s; console:\n%s" % (
                steps[0][0], timeout, qemu_shell.clean_console(output.decode("utf-8", "replace"))))
        ready, _, _ = select.select([descriptor], [], [], 0.5)
        if ready:
            chunk = os.read(descriptor, 65536)
            if not chunk:
                break
            output += chunk
        found = output.find(steps[0][0], searched)
        if found >= 0:
            searched = found + len(steps[0][0])
            time.sleep(0.3)
            type_slowly(process, steps[0][1])
            steps.pop(0)
    return qemu_shell.clean_console(output.decode("utf-8", "replace"))


def boot_stick(work, extra_words):
    """Makes the stick, boots it, answers the prompts; returns the console
    and the stick's image path."""
    image = os.path.join(work, "stick.img")
    vars_copy = os.path.join(work, "vars.fd")
    shutil.copyfile(qemu_shell.OVMF_VARS, vars_copy)
    environment = dict(os.environ, IMAGES=IMAGES[0], ASK_LIST="BSN,PSN,MainMAC",
                       EXTRA_WORDS=extra_words)
    subprocess.run(["bash", os.path.join(SOURCE_DIR, "scripts", "make-line-stick"),
                    os.path.join(SOURCE_DIR, "examples", "SKU.xml"), image],
                   env=environment, check=True, stdout=subprocess.DEVNULL)
    with subprocess.Popen(stick_command(image, vars_copy), stdin=subprocess.PIPE,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT) as process:
        try:
            return drive_station(process, 240), image
        finally:
            process.kill()
            process.wait()


def stick_file(image, name):
    return subprocess.run(["mcopy", "-n", "-i", image, "::/" + name, "-"], check=True,
                          stdout=subprocess.PIPE).stdout


class LineStick(unittest.TestCase):
    def test_prompts_record_and_banner(self):
        # (case, EXTRA_WORDS, banner, status shown, record's status, error)
        cases = [
            ("no BMC answers", "", "FFFFFFF", "Status 0x7", 7,
             "Error! The BMC gave no shared-memory address"),
            ("rehearsal stick", "DSBSHM", "PPPPPP", "Status 0x0", 0,
             "Error! MainMAC must be 12 hexadecimal digits"),
        ]
        for name, extra_words, banner, shown, status, error in cases:
            with self.subTest(name):
                work = tempfile.mkdtemp(prefix="line-stick-")
                try:
                    console, image = boot_stick(work, extra_words)
                    print(console[console.find("Scan BSN"):])
                    for line in ["Scan BSN: BSN-0001", "Scan PSN: PSN-0001",
                                 "Error! MainMAC must be 12 hexadecimal digits",
                                 "Scan MainMAC: 021B2C3D4E5F", banner, shown]:
                        self.assertIn(line, console)
                    lines = stick_file(image, "units.log").split(b"\n")
                    print(lines[0].decode())
                    self.assertEqual(len(lines), 2)
                    self.assertEqual(lines[-1], b"")
                    record = json.loads(lines[0])
                    image_bytes = stick_file(image, "SKU.BIN")
                    self.assertEqual(record["status"], status)
                    self.assertEqual(record["values"], {
                        "MainMAC": "021B2C3D4E5F", "BSN": "BSN-0001", "PSN": "PSN-0001"})
                    self.assertEqual(record["Board ID"], "TN4MB-0420")
                    self.assertEqual((record["sent"], record["verification"]), (False, "not run"))
                    self.assertEqual(record["error"], error)
                    self.assertEqual(record["SKU.BIN"], {
                        "sha256": hashlib.sha256(image_bytes).hexdigest(),
                        "size": len(image_bytes)})
                finally:
                    shutil.rmtree(work, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--images", required=True)
    arguments, rest = parser.parse_known_args()
    IMAGES[0] = os.path.abspath(arguments.images)
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == "__main__":
    main()
