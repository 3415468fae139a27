#!/usr/bin/env python3
"""pelgrin's production run carried all the way to a BMC under QEMU: OVMF's
shell, vmware-svga as the window, OpenIPMI's ipmi_sim with our OEM module
behind ipmi-bmc-extern, and window_agent.py taking the doorbell and handing
the FRU image to ipmi_sim. The agent's FRU fault is checked on the host.

    window_agent_tests.py --images build/uefi --host-bin build/host \
        [--oem-module oem_bmc_module.so] [unittest args]
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import system_tests  # noqa: E402
import window_agent  # noqa: E402

VALUES = ["MainMAC=021B2C3D4E5F", "ShareMAC=021B2C3D4E60", "BSN=BQ4W2611000217",
          "PSN=SR4W2611000388", "CSN=CH4W2611000054"]
# Boot, the upload, the 90-second count stretched by the agent's polls, and
# two dorvax requests.
RUN_TIMEOUT = 200


def host_sku_bin(work_dir, arguments):
    """SKU.BIN as the host program writes it on the simulated board."""
    system_tests.host_run("pelgrin", arguments + ["DSBSHM"], [system_tests.EXAMPLE_SKU],
                          work_dir)
    with open(os.path.join(work_dir, "SKU.BIN"), "rb") as handle:
        return handle.read()


def decoded_fru(fru, work_dir):
    path = os.path.join(work_dir, "decoded.fru")
    with open(path, "wb") as handle:
        handle.write(fru)
    ipmi_fru = shutil.which("ipmi-fru") or "/usr/sbin/ipmi-fru"
    result = subprocess.run([ipmi_fru, "--fru-file=" + path], stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, env=dict(os.environ, TZ="UTC"))
    return result.returncode, result.stdout.decode("utf-8", "replace")


class AlteredBoardSerial(unittest.TestCase):
    """The fault the agent can apply must still decode, with only the board
    serial number changed; a serial the builder packed into another encoding
    than text (a single character) is refused rather than garbled."""

    CASES = (("BQ4W2611000217", "BQ4W261100021X"), ("SERIALX", "SERIALY"), ("X", None))

    def test_only_the_board_serial_changes_and_the_image_still_decodes(self):
        for serial, altered in self.CASES:
            with self.subTest(serial=serial), tempfile.TemporaryDirectory() as work:
                arguments = ["MainMAC=021B2C3D4E5F", "BSN=" + serial, "PSN=PSN77"]
                fru = window_agent.fru_from_sku(host_sku_bin(work, arguments))
                if altered is None:
                    self.assertRaises(window_agent.AgentError,
                                      window_agent.alter_board_serial, fru)
                    continue
                status, original = decoded_fru(fru, work)
                status_altered, faulty = decoded_fru(window_agent.alter_board_serial(fru), work)
                self.assertEqual((status, status_altered), (0, 0), faulty)
                self.assertNotRegex(faulty.lower(), "checksum invalid|error")
                self.assertIn(serial, original)
                self.assertEqual(faulty, original.replace(serial, altered, 1))

    def test_a_longer_serial_moves_the_areas_behind_and_still_decodes(self):
        with tempfile.TemporaryDirectory() as work:
            fru = window_agent.fru_from_sku(host_sku_bin(work, VALUES))
            longer = window_agent.lengthen_board_serial(fru)
            status, original = decoded_fru(fru, work)
            status_longer, faulty = decoded_fru(longer, work)
            self.assertEqual((status, status_longer), (0, 0), faulty)
            self.assertNotRegex(faulty.lower(), "checksum invalid|error")
            self.assertGreater(len(longer), len(fru))
            self.assertNotEqual(longer[4], fru[4])
            self.assertEqual(faulty, original.replace("BQ4W2611000217",
                                                      "BQ4W2611000217-OTHER-9", 1))


def hex_bytes(data):
    return " ".join("%02X" % byte for byte in data)


def fru_replies(fru, line_end):
    """dorvax's output for Get FRU Inventory Area Info and for Read FRU Data
    of the first 16 bytes, when the BMC serves `fru` as device 0."""
    size = len(fru).to_bytes(2, "little")
    return ("%sReturn Data= 2C 10 00 %s 00 %s" % (line_end, hex_bytes(size), line_end),
            "%sReturn Data= 2C 11 00 10 %s %s" % (line_end, hex_bytes(fru[:16]), line_end))


@unittest.skipUnless(system_tests.OEM_MODULE or "--oem-module" in sys.argv,
                     "needs the OEM BMC module")
class AgentBmc:
    """ipmi_sim with our OEM module, serving FRU device 0 from a file of
    `fru_size` zeros (or `area_size`) that the window agent rewrites when it takes the doorbell
    on vmware-svga's window. `qemu_args` attach all of it to a boot; stop()
    after the boot."""

    # vmware-svga behind a PCI bridge, as a board puts the BMC's display
    # function behind a root port.
    BRIDGED = ("pci-bridge,id=br1,chassis_nr=1", "vmware-svga,bus=br1,addr=1")

    def __init__(self, work, fru_size, alter_serial=False, area_size=None,
                 displays=("vmware-svga",)):
        fru_file = os.path.join(work, "fru0.bin")
        area_size = area_size or fru_size
        with open(fru_file, "wb") as handle:
            handle.write(bytes(area_size))
        self.bmc = system_tests.OemBmc(
            work, ['mc_add_fru_data 0x20 0 %d file 0 "%s"' % (area_size, fru_file)])
        qmp = os.path.join(work, "qmp.sock")
        gdb_port = system_tests.free_port()
        self.agent = window_agent.WindowAgent(qmp, gdb_port, fru_file, alter_serial).start()
        self.qemu_args = self.bmc.qemu_args() + [
            arg for device in displays for arg in ("-device", device)] + [
            "-qmp", "unix:%s,server=on,wait=off" % qmp, "-gdb", "tcp:127.0.0.1:%d" % gdb_port]

    def stop(self):
        self.agent.join(10)
        self.bmc.stop()


class PelgrinThroughTheWindowAgent(unittest.TestCase):
    """One boot: the production run on vmware-svga with the agent as the
    BMC's side of the window, then dorvax reads the FRU the agent applied."""

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="window-agent-")
        fru_size = len(window_agent.fru_from_sku(
            host_sku_bin(os.path.join(cls.work, "host"), VALUES)))
        cls.attached = AgentBmc(cls.work, fru_size)
        cls.bmc, cls.agent = cls.attached.bmc, cls.attached.agent
        started = time.monotonic()
        try:
            cls.results = system_tests.run_cases(
                [os.path.join(system_tests.IMAGES, name) for name in ("pelgrin.efi",
                                                                       "dorvax.efi")]
                + [system_tests.EXAMPLE_SKU],
                [("run", ["pelgrin.efi " + " ".join(VALUES)]),
                 ("fru_info", ["dorvax.efi 28 10 00"]),
                 ("fru_read", ["dorvax.efi 28 11 00 00 00 10"])],
                cls.attached.qemu_args, ["SKU.BIN"], os.path.join(cls.work, "shell"),
                timeout=RUN_TIMEOUT)
        finally:
            cls.attached.stop()
        cls.seconds = time.monotonic() - started
        with open(os.path.join(cls.work, "shell", "SKU.BIN"), "rb") as handle:
            cls.sku_bin = handle.read()

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def test_production_run_ends_done_after_the_reset_count(self):
        text, status = self.results["run"]
        count = "".join("%02d\b\b" % second for second in range(1, 91))
        self.assertEqual(len(re.findall(r"^CmdResp = ", text, re.M)), 3, text)
        self.assertIn("Wait 90 seconds: " + count + "\r\nDone\r\n", text)
        self.assertNotIn("Timeout", text)
        self.assertEqual(status, "0x0")
        self.assertEqual(len(self.bmc.requests(0x20)), 1)
        print("\nwith the agent: doorbell taken %.0f s and the last case done %.0f s after "
              "QEMU start" % (self.agent.doorbell_seconds, self.seconds))

    def test_window_held_sku_bin_at_the_doorbell(self):
        self.assertIsNone(self.agent.error)
        capture, size = self.agent.capture, len(self.sku_bin)
        self.assertEqual(capture[:size], self.sku_bin)
        word = window_agent.UPLOAD_COMMAND_WORD - window_agent.WINDOW_DATA
        self.assertEqual(capture[word:word + 4], bytes([window_agent.DOORBELL_RUNG, 0, 0, 0]))
        self.assertEqual(capture[size:word] + capture[word + 4:], bytes(len(capture) - size - 4))

    def test_bmc_serves_the_fru_from_the_uploaded_sku_bin(self):
        fru = window_agent.fru_from_sku(self.sku_bin)
        self.assertEqual(self.agent.fru, fru)
        info, read = fru_replies(fru, "\r\n")
        self.assertEqual(self.results["fru_info"], (info, "0x0"))
        self.assertEqual(self.results["fru_read"], (read, "0x0"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--images", default=system_tests.IMAGES)
    parser.add_argument("--host-bin", default=system_tests.HOST_BIN)
    parser.add_argument("--oem-module", default=system_tests.OEM_MODULE)
    options, rest = parser.parse_known_args()
    system_tests.IMAGES = os.path.abspath(options.images)
    system_tests.HOST_BIN = os.path.abspath(options.host_bin)
    if options.oem_module:
        system_tests.OEM_MODULE = os.path.abspath(options.oem_module)
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == "__main__":
    main()
