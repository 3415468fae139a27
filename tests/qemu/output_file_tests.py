#!/usr/bin/env python3
"""pelgrin.efi's output files in OVMF's UEFI shell on media that fight back:
stale outputs longer than this run's, stale outputs with the read-only
attribute, a stick too full for SKU.BIN and a write-protected stick. One
boot per medium; no KCS device, so a run that went on to the BMC would
print "Writing SKU.BIN ..." and fail on the channel instead.

    output_file_tests.py --images build/uefi --host-bin build/host [unittest args]
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import qemu_shell  # noqa: E402
import system_tests  # noqa: E402
from system_tests import EXAMPLE_SKU, CLOCK, run_cases  # noqa: E402

IMAGES = system_tests.IMAGES
HOST_BIN = system_tests.HOST_BIN
RTC = ["-rtc", "base=%s,clock=vm" % CLOCK]
UPLOAD_WORDS = ["MainMAC=001122334455", "BSN=NEW", "PSN=PSN77"]
OUTPUTS = ["mysku.xml", "mysku.xml.gz", "SKU.BIN"]
CLUSTER = 512


def pelgrin(folder, words):
    prefix = "..\\" if folder else ""
    return (["cd " + folder] if folder else []) + [" ".join([prefix + "pelgrin.efi"] + words)]


def stale_bytes(name):
    return ("stale %s of an earlier unit, longer than this run's\r\n" % name).encode() * 500


def read(path):
    if not os.path.exists(path):
        return None
    with open(path, "rb") as handle:
        return handle.read()


def free_bytes(image):
    listing = subprocess.run(["mdir", "-i", image, "::/"], stdout=subprocess.PIPE,
                             check=True).stdout.decode()
    return int(re.search(r"([\d ]+) bytes free", listing).group(1).replace(" ", ""))


def clusters(size):
    return -(-size // CLUSTER) * CLUSTER


class StaleAndProtectedOutputs(unittest.TestCase):
    """One boot of a writable stick: a clean run, a run over stale longer
    files, and runs over stale files that carry the read-only attribute
    (both outputs; SKU.BIN only)."""

    PROTECTED = {"readonly": ["mysku.xml", "SKU.BIN"], "binonly": ["SKU.BIN"]}

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="pelgrin-outputs-")
        files = [os.path.join(IMAGES, "pelgrin.efi")]
        for folder in ("clean", "stale", "readonly", "binonly"):
            files.append("%s=%s/SKU.xml" % (EXAMPLE_SKU, folder))
        for folder, names in [("stale", OUTPUTS)] + list(cls.PROTECTED.items()):
            for name in names:
                source = os.path.join(cls.work, "%s-%s" % (folder, name))
                with open(source, "wb") as handle:
                    handle.write(stale_bytes(name))
                files.append("%s=%s/%s" % (source, folder, name))
        protect = ["::/%s/%s" % (folder, name)
                   for folder, names in cls.PROTECTED.items() for name in names]
        medium = qemu_shell.Medium(
            prepare=lambda image: qemu_shell._run(["mattrib", "-i", image, "+r"] + protect))
        copy_out = ["%s/%s" % (folder, name)
                    for folder in ("clean", "stale", "readonly", "binonly") for name in OUTPUTS]
        cls.shell_dir = os.path.join(cls.work, "shell")
        cls.results = run_cases(
            files,
            [("clean", pelgrin("clean", UPLOAD_WORDS + ["DSBSHM"])),
             ("stale", pelgrin("stale", UPLOAD_WORDS + ["DSBSHM"])),
             ("readonly", pelgrin("readonly", UPLOAD_WORDS)),
             ("binonly", pelgrin("binonly", UPLOAD_WORDS))],
            RTC, copy_out, cls.shell_dir, medium)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def output(self, folder, name):
        return read(os.path.join(self.shell_dir, folder, name))

    def test_stale_longer_files_are_replaced_by_a_clean_runs(self):
        self.assertEqual(self.results["stale"], self.results["clean"])
        self.assertEqual(self.results["clean"][1], "0x0")
        for name in OUTPUTS:
            self.assertIsNotNone(self.output("clean", name), name)
            self.assertEqual(self.output("stale", name), self.output("clean", name), name)

    def test_read_only_stale_files_stop_the_run_and_stay_as_they_were(self):
        cases = [("readonly", "Error! Can't create mysku.xml", "0xFFFFFFF4"),
                 ("binonly", "Error! Can't create SKU.BIN", "0x15")]
        for folder, line, status in cases:
            with self.subTest(folder):
                text, shown = self.results[folder]
                self.assertTrue(text.endswith("\r\n" + line + "\r\n"), text)
                self.assertEqual((text.count("Error!"), shown), (1, status))
                self.assertNotIn("Writing", text)
                for name in self.PROTECTED[folder]:
                    self.assertEqual(self.output(folder, name), stale_bytes(name), name)


class FullAndWriteProtectedSticks(unittest.TestCase):
    """A stick with one cluster too few for SKU.BIN, and a write-protected
    stick; each in a boot of its own."""

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="pelgrin-media-")
        files = [os.path.join(IMAGES, "pelgrin.efi"), EXAMPLE_SKU]
        sizes = cls.host_output_sizes()
        # Room for mysku.xml and mysku.xml.gz, one cluster short for SKU.BIN.
        room = sum(clusters(size) for size in sizes.values()) - CLUSTER
        full = qemu_shell.Medium(kib=1024, format_args=["-s", "1"],
                                 prepare=lambda image: cls.fill(image, room))
        protected = qemu_shell.Medium(write_protected=True)
        cls.results = {}
        for name, medium in (("full", full), ("protected", protected)):
            out_dir = os.path.join(cls.work, name)
            cls.results.update(run_cases(files, [(name, pelgrin("", UPLOAD_WORDS))], RTC,
                                         ["SKU.BIN"], out_dir, medium))

    @classmethod
    def host_output_sizes(cls):
        host_dir = os.path.join(cls.work, "host")
        system_tests.host_run("pelgrin", UPLOAD_WORDS + ["DSBSHM"], [EXAMPLE_SKU], host_dir)
        return {name: os.path.getsize(os.path.join(host_dir, name)) for name in OUTPUTS}

    @classmethod
    def fill(cls, image, room):
        junk = os.path.join(cls.work, "junk.bin")
        with open(junk, "wb") as handle:
            handle.write(b"\xa5" * (free_bytes(image) - room))
        qemu_shell._run(["mcopy", "-o", "-i", image, junk, "::/JUNK.BIN"])
        if free_bytes(image) != room:
            raise AssertionError("the stick has %d bytes free, not %d" % (free_bytes(image), room))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def test_each_run_ends_with_one_error_and_leaves_no_image(self):
        cases = [("full", "Error! Can't write SKU.BIN", "0x15"),
                 ("protected", "Error! Can't create mysku.xml", "0xFFFFFFF4")]
        for name, line, status in cases:
            with self.subTest(name):
                text, shown = self.results[name]
                self.assertTrue(text.endswith("\r\n" + line + "\r\n"), text)
                self.assertEqual((text.count("Error!"), shown), (1, status))
                self.assertNotIn("Writing", text)
                # Not even an empty or cut one: nothing that could pass for an image.
                self.assertIsNone(read(os.path.join(self.work, name, "SKU.BIN")))


def main():
    global IMAGES, HOST_BIN
    parser = argparse.ArgumentParser()
    parser.add_argument("--images", default=IMAGES)
    parser.add_argument("--host-bin", default=HOST_BIN)
    options, rest = parser.parse_known_args()
    IMAGES, HOST_BIN = os.path.abspath(options.images), os.path.abspath(options.host_bin)
    system_tests.IMAGES, system_tests.HOST_BIN = IMAGES, HOST_BIN
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == "__main__":
    main()
