#!/usr/bin/env python3
"""The Linux programs on this host as an unprivileged user: a run that needs
the BMC ends with one "Error! ..." line and status 11 before any port is
touched, and pelgrin DSBSHM, which needs no hardware, writes what the host
build on the simulated board writes for the same words and clock.

    unprivileged_tests.py --linux-bin build/linux --host-bin build/host
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
EXAMPLE_SKU = os.path.join(SOURCE_DIR, "examples", "SKU.xml")
NOBODY = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
WORDS = ["MainMAC=001122334455", "BSN=BSN0042", "PSN=PSN77", "DSBSHM"]
FILES = ["mysku.xml", "mysku.xml.gz", "SKU.BIN"]
OPTIONS = argparse.Namespace(linux_bin=None, host_bin=None)
IPMI_NODES = ["/dev/ipmi0", "/dev/ipmi/0", "/dev/ipmidev/0"]


def run_in(work, command, env=None):
    result = subprocess.run(command, cwd=work, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            env=env, timeout=60)
    outputs = {}
    for name in FILES:
        path = os.path.join(work, name)
        if os.path.exists(path):
            with open(path, "rb") as handle:
                outputs[name] = handle.read()
    return result, outputs


def scratch():
    work = tempfile.mkdtemp(prefix="velsku-linux-")
    os.chmod(work, 0o777)
    shutil.copy(EXAMPLE_SKU, work)
    os.chmod(os.path.join(work, "SKU.xml"), 0o644)
    return work


@unittest.skipIf(os.geteuid() != 0, "needs root to drop to an unprivileged user")
@unittest.skipIf(any(os.path.exists(node) for node in IPMI_NODES), "an IPMI driver is loaded")
class WithoutPrivileges(unittest.TestCase):
    def linux(self, program):
        return os.path.join(OPTIONS.linux_bin, program)

    def test_dorvax_refuses_in_one_line(self):
        work = scratch()
        self.addCleanup(shutil.rmtree, work, True)
        result, _ = run_in(work, NOBODY + [self.linux("dorvax"), "18", "01"])
        self.assertRegex(result.stdout.decode(),
                         r"^Error! no access to I/O ports 0xCA2-0xCA3: [^\n]+\n$")
        self.assertEqual(result.returncode, 11)

    def test_pelgrin_refuses_the_bmc_after_writing_its_files(self):
        work = scratch()
        self.addCleanup(shutil.rmtree, work, True)
        result, outputs = run_in(work, NOBODY + [self.linux("pelgrin"), "BSN=BSN0042"])
        self.assertRegex(result.stdout.decode(),
                         r"\nError! no access to I/O ports 0xCA2-0xCA3: [^\n]+\n$")
        self.assertEqual(result.returncode, 11)
        self.assertIn("SKU.BIN", outputs)

    def test_pelgrin_dsbshm_needs_no_privileges_and_matches_the_host_build(self):
        # The FRU image carries the minute of the run: repeat across a minute's turn.
        for _ in range(3):
            clock = int(time.time())
            linux_work, host_work = scratch(), scratch()
            self.addCleanup(shutil.rmtree, linux_work, True)
            self.addCleanup(shutil.rmtree, host_work, True)
            linux, linux_files = run_in(linux_work, NOBODY + [self.linux("pelgrin")] + WORDS)
            host, host_files = run_in(host_work, [os.path.join(OPTIONS.host_bin, "pelgrin")] +
                                      WORDS, dict(os.environ, SIM_CLOCK=str(clock)))
            if clock // 60 == int(time.time()) // 60:
                break
        self.assertEqual((linux.stdout, linux.returncode), (host.stdout, host.returncode))
        self.assertEqual(sorted(linux_files), sorted(FILES))
        self.assertEqual(linux_files, host_files)


def main():
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--linux-bin", required=True)
    parser.add_argument("--host-bin", required=True)
    known, rest = parser.parse_known_args()
    OPTIONS.linux_bin = os.path.abspath(known.linux_bin)
    OPTIONS.host_bin = os.path.abspath(known.host_bin)
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == "__main__":
    main()
