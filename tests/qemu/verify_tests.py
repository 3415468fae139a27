#!/usr/bin/env python3
"""pelgrin's VERIFY in OVMF's shell against BMCs none of us wrote. With
DSBSHM: QEMU's ipmi-bmc-sim serving FRU device 0 from a file (the host
build's FRU for the same words, one with another board serial number) or
from an area of zeros, and no KCS device at all; one boot per BMC setup.
After an upload: the production run on vmware-svga with the window agent
applying SKU.BIN's FRU to ipmi_sim, as sent, with another serial number, or
with a serial number of another length (an image longer than SKU.BIN's).

    verify_tests.py --images build/uefi --host-bin build/host \
        [--oem-module oem_bmc_module.so] [unittest args]
"""

import argparse
import os
import re
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import system_tests  # noqa: E402
import window_agent  # noqa: E402
import window_agent_tests  # noqa: E402

VALUES = window_agent_tests.VALUES
SERIAL = "BQ4W2611000217"
ALTERED_SERIAL = "BQ4W261100021X"
# A FRU that differs is read again every 2 s for 30 s before the mismatch
# stands, the seconds shown in place (the firmware clock ticks in whole
# seconds, so a count may show one more).
MISMATCH_REREADS = 40
REREADS_FOR_30_S = r"Done\r\n(\rWaiting for the new FRU \.\.\. \d+ s){10,15}\r\n"


# build/uefi-vendors: pelgrin.efi built with VELSKU_BMC_PCI_VENDORS=15ad.
VENDOR_IMAGES = ""
SERIAL_LINE = 'Verify: board serial number: BMC holds "%s", SKU.BIN has "%s"\r\n' % (
    ALTERED_SERIAL, SERIAL)


def kcs_bmc_serving(fru_file=None):
    """QEMU's own BMC behind the KCS ports, its FRU device 0 from `fru_file`
    (zeros without one)."""
    bmc = "ipmi-bmc-sim,id=bmc0,fruareasize=1024"
    if fru_file:
        bmc += ",frudatafile=" + fru_file
    return ["-device", bmc, "-device", "isa-ipmi-kcs,bmc=bmc0,ioport=0xca2"]


class DsbshmVerifyAgainstQemuFru(unittest.TestCase):
    """The board programmed earlier, as QEMU's BMC holds it."""

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="verify-")
        cls.fru = window_agent.fru_from_sku(
            window_agent_tests.host_sku_bin(os.path.join(cls.work, "host"), VALUES))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def fru_file(self, name, data):
        path = os.path.join(self.work, name)
        with open(path, "wb") as handle:
            handle.write(data)
        return path

    def run_verify(self, qemu_args):
        started = time.monotonic()
        results = system_tests.run_cases(
            [os.path.join(system_tests.IMAGES, "pelgrin.efi"), system_tests.EXAMPLE_SKU],
            [("verify", ["pelgrin.efi " + " ".join(VALUES) + " DSBSHM VERIFY"])], qemu_args)
        print("\none boot: %.0f s" % (time.monotonic() - started))
        return results["verify"]

    def test_the_host_builds_fru_matches(self):
        text, status = self.run_verify(kcs_bmc_serving(self.fru_file("same.fru", self.fru)))
        self.assertIn("\r\nVerify: the BMC's FRU matches SKU.BIN (%d bytes, manufacturing date "
                      "not compared)\r\n" % len(self.fru), text)
        self.assertEqual(status, "0x0")

    def test_another_serial_number_is_named(self):
        altered = window_agent.alter_board_serial(self.fru)
        text, status = self.run_verify(kcs_bmc_serving(self.fru_file("altered.fru", altered)))
        self.assertIn("\r\n" + SERIAL_LINE, text)
        self.assertEqual(text.count("Verify: "), 1, text)
        self.assertEqual(status, "0x8")

    def test_an_area_of_zeros_gives_the_first_differing_offset(self):
        text, status = self.run_verify(kcs_bmc_serving())
        self.assertIn("\r\nVerify: the BMC's FRU does not decode (common header format version "
                      "is not 1, common header); first difference at byte 0x0000: BMC holds "
                      "0x00, SKU.BIN has 0x01\r\n", text)
        self.assertEqual(status, "0x8")

    def test_without_a_kcs_device_the_fru_cannot_be_read(self):
        text, status = self.run_verify([])
        self.assertIn("\r\nError! Verify: Get FRU Inventory Area Info got no answer over "
                      "KCS\r\n", text)
        self.assertEqual(status, "0x9")


@unittest.skipUnless(system_tests.OEM_MODULE or "--oem-module" in sys.argv,
                     "needs the OEM BMC module")
class UploadVerifyThroughTheWindowAgent(unittest.TestCase):
    """The production run with VERIFY on vmware-svga: the agent takes the
    doorbell and hands the FRU to ipmi_sim, which pelgrin then reads back.
    One boot per agent mode."""

    def run_production(self, alter_serial, area_room=0, displays=("vmware-svga",),
                       image_dir=None):
        work = tempfile.mkdtemp(prefix="verify-agent-")
        self.addCleanup(shutil.rmtree, work, True)
        fru_size = len(window_agent.fru_from_sku(
            window_agent_tests.host_sku_bin(os.path.join(work, "host"), VALUES)))
        attached = window_agent_tests.AgentBmc(work, fru_size, alter_serial,
                                               fru_size + area_room, displays)
        try:
            results = system_tests.run_cases(
                [os.path.join(image_dir or system_tests.IMAGES, "pelgrin.efi"),
                 system_tests.EXAMPLE_SKU],
                [("run", ["pelgrin.efi " + " ".join(VALUES) + " VERIFY"])],
                attached.qemu_args, timeout=window_agent_tests.RUN_TIMEOUT + MISMATCH_REREADS)
        finally:
            attached.stop()
        self.assertIsNone(attached.agent.error)
        text, status = results["run"]
        self.assertIn("\r\nDone\r\n", text)
        return text, status, fru_size

    def test_the_applied_fru_matches(self):
        text, status, fru_size = self.run_production(False)
        self.assertTrue(text.endswith(
            "Done\r\nVerify: the BMC's FRU matches SKU.BIN (%d bytes)\r\n" % fru_size), text)
        self.assertEqual(status, "0x0")

    def test_behind_a_bridge_the_applied_fru_matches(self):
        text, status, fru_size = self.run_production(
            False, displays=window_agent_tests.AgentBmc.BRIDGED)
        self.assertTrue(text.endswith(
            "Done\r\nVerify: the BMC's FRU matches SKU.BIN (%d bytes)\r\n" % fru_size), text)
        self.assertEqual(status, "0x0")

    # qxl-vga beside vmware-svga: the image built for vmware-svga's vendor
    # takes its window and passes the other by.
    @unittest.skipUnless(VENDOR_IMAGES or "--vendor-images" in sys.argv,
                         "needs a pelgrin.efi built with VELSKU_BMC_PCI_VENDORS=15ad")
    def test_built_for_the_bmcs_vendor_takes_its_window_beside_another(self):
        text, status, fru_size = self.run_production(
            False, displays=("qxl-vga", "vmware-svga"), image_dir=VENDOR_IMAGES)
        self.assertTrue(text.endswith(
            "Done\r\nVerify: the BMC's FRU matches SKU.BIN (%d bytes)\r\n" % fru_size), text)
        self.assertEqual(status, "0x0")

    def test_another_serial_number_applied_is_named(self):
        text, status, _ = self.run_production(True)
        self.assertRegex(text, REREADS_FOR_30_S + re.escape(SERIAL_LINE) + "$")
        self.assertEqual(status, "0x8")

    def test_another_serial_of_another_length_applied_is_named(self):
        text, status, _ = self.run_production("longer", 64)
        self.assertRegex(text, REREADS_FOR_30_S + re.escape(
            'Verify: board serial number: BMC holds "%s-OTHER-9", SKU.BIN has "%s"\r\n'
            % (SERIAL, SERIAL)) + "$")
        self.assertNotIn("does not decode", text)
        self.assertEqual(status, "0x8")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--images", default=system_tests.IMAGES)
    parser.add_argument("--host-bin", default=system_tests.HOST_BIN)
    parser.add_argument("--oem-module", default=system_tests.OEM_MODULE)
    parser.add_argument("--vendor-images", default="")
    options, rest = parser.parse_known_args()
    global VENDOR_IMAGES
    VENDOR_IMAGES = os.path.abspath(options.vendor_images) if options.vendor_images else ""
    system_tests.IMAGES = os.path.abspath(options.images)
    system_tests.HOST_BIN = os.path.abspath(options.host_bin)
    if options.oem_module:
        system_tests.OEM_MODULE = os.path.abspath(options.oem_module)
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == "__main__":
    main()
