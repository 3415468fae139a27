#!/usr/bin/env python3
"""Whole runs of the host pelgrin, as an unprivileged user, over an earlier
unit's outputs that it cannot delete: in a sticky world-writable directory
they belong to another user. Writable ones must be replaced by exactly what
a clean run writes and sends; read-only ones stop the run before anything
reaches the simulated BMC, and stay as they were.

    stale_outputs_tests.py --pelgrin build/host/pelgrin [unittest args]
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
EXAMPLE_SKU = os.path.join(SOURCE_DIR, "examples", "SKU.xml")
NOBODY = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
WORDS = ["BSN=NEW"]
CLOCK = "1765000000"
OUTPUTS = ["SKU.BIN", "mysku.xml", "mysku.xml.gz"]
PELGRIN = [None]


def stale_bytes(name):
    return ("earlier unit's %s, longer than this run's\n" % name).encode() * 400


def sticky_scratch():
    """A directory like /tmp: world-writable and sticky. Its owner (root) also
    owns the stale files, so that no protected_regular setting refuses the
    open for another reason."""
    work = tempfile.mkdtemp(prefix="velsku-stale-")
    os.chmod(work, 0o1777)
    shutil.copy(EXAMPLE_SKU, work)
    os.chmod(os.path.join(work, "SKU.xml"), 0o644)
    received = os.path.join(work, "received")
    os.mkdir(received)
    os.chmod(received, 0o777)
    return work


def run_pelgrin(work):
    environment = dict(os.environ, SIM_CLOCK=CLOCK,
                       SIM_BMC_RECEIVED_DIR=os.path.join(work, "received"))
    result = subprocess.run(NOBODY + [PELGRIN[0]] + WORDS, cwd=work, env=environment,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
    return result.stdout.decode("utf-8", "replace"), result.returncode


def contents(directory, names):
    found = {}
    for name in names:
        path = os.path.join(directory, name)
        if os.path.exists(path):
            with open(path, "rb") as handle:
                found[name] = handle.read()
    return found


@unittest.skipIf(os.geteuid() != 0, "needs root to own the stale files and drop privileges")
class UndeletableStaleOutputs(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.clean = sticky_scratch()
        cls.clean_console, cls.clean_status = run_pelgrin(cls.clean)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.clean, ignore_errors=True)

    def run_over_stale(self, modes):
        work = sticky_scratch()
        self.addCleanup(shutil.rmtree, work, True)
        for name, mode in modes.items():
            path = os.path.join(work, name)
            with open(path, "wb") as handle:
                handle.write(stale_bytes(name))
            os.chmod(path, mode)
        console, status = run_pelgrin(work)
        return work, console, status

    def test_writable_ones_are_replaced_by_a_clean_runs_files(self):
        self.assertEqual(self.clean_status, 0, self.clean_console)
        work, console, status = self.run_over_stale({name: 0o666 for name in OUTPUTS})
        self.assertEqual((console, status), (self.clean_console, self.clean_status))
        self.assertTrue(console.endswith("Done\n"), console)
        self.assertEqual(contents(work, OUTPUTS), contents(self.clean, OUTPUTS))
        self.assertEqual(contents(work, ["received/SKU.BIN"]),
                         contents(self.clean, ["received/SKU.BIN"]))

    def test_read_only_ones_stop_the_run_before_anything_is_sent(self):
        cases = [
            ("both", {"mysku.xml": 0o444, "SKU.BIN": 0o444},
             "Error! Can't create mysku.xml\n", 256 - 12),
            ("only SKU.BIN", {"mysku.xml": 0o666, "SKU.BIN": 0o444},
             "Error! Can't create SKU.BIN\n", 1),
        ]
        for name, modes, line, expected_status in cases:
            with self.subTest(name):
                work, console, status = self.run_over_stale(modes)
                self.assertTrue(console.endswith("\n" + line), console)
                self.assertEqual(status, expected_status)
                self.assertNotIn("Writing", console)
                self.assertEqual(os.listdir(os.path.join(work, "received")), [])
                for stale, mode in modes.items():
                    if mode == 0o444:
                        self.assertEqual(contents(work, [stale])[stale], stale_bytes(stale))


def main():
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--pelgrin", required=True)
    known, rest = parser.parse_known_args()
    PELGRIN[0] = os.path.abspath(known.pelgrin)
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == "__main__":
    main()
