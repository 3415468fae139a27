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


def read_back(text):
    """The data bytes of the Read FRU Data replies that dorvax printed, joined."""
    replies = re.findall(r"Return Data= ((?:[0-9A-F]{2} )+)", text)
    if not replies:
        raise AssertionError("no reply in:\n" + text)
    return b"".join(bytes.fromhex(reply)[4:] for reply in replies)


# ipmi_sim answers at most 32 data bytes a read: the first 256 bytes in eight.
READS_OF_32 = ["dorvax.efi 28 11 00 %02X 00 20" % offset for offset in range(0, 256, 32)]


def sku_bin_fru(path):
    with open(path, "rb") as handle:
        return window_agent.fru_from_sku(handle.read())


WRITEFRU_RUN = "pelgrin.efi " + " ".join(VALUES) + " WRITEFRU VERIFY"


class WriteFruAgainstQemuFru(unittest.TestCase):
    """WRITEFRU VERIFY into QEMU's ipmi-bmc-sim, its FRU device 0 loaded from
    a file (zeros, an older unit's FRU) and kept in memory for the boot, then
    dorvax reads it back; an area smaller than the image, and no KCS device.
    One boot per BMC setup."""

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="writefru-")
        cls.older = window_agent.alter_board_serial(window_agent.fru_from_sku(
            window_agent_tests.host_sku_bin(os.path.join(cls.work, "host"), VALUES)))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def boot(self, name, qemu_args, cases):
        out = os.path.join(self.work, name)
        started = time.monotonic()
        results = system_tests.run_cases(
            [os.path.join(system_tests.IMAGES, program) for program in ("pelgrin.efi",
                                                                         "dorvax.efi")]
            + [system_tests.EXAMPLE_SKU], cases, qemu_args, copy_out=["SKU.BIN"], out_dir=out)
        print("\n%s: one boot %.0f s" % (name, time.monotonic() - started))
        return results, os.path.join(out, "SKU.BIN")

    def fru_file(self, name, data):
        path = os.path.join(self.work, name + ".fru")
        with open(path, "wb") as handle:
            handle.write(data)
        return path

    def check_written(self, text, status, written, size):
        self.assertIn("\r\nFRU device 0: %d of %d bytes written\r\nVerify: the BMC's FRU "
                      "matches SKU.BIN (%d bytes)\r\n" % (written, size, size), text)
        self.assertEqual(status, "0x0", text)

    def test_zeros_take_the_image_and_a_second_run_writes_nothing(self):
        results, sku_bin = self.boot("zeros", kcs_bmc_serving(self.fru_file("zeros", bytes(1024))), [
            ("write", [WRITEFRU_RUN]), ("read", ["dorvax.efi 28 11 00 00 00 F0"]),
            ("again", [WRITEFRU_RUN])])
        fru = sku_bin_fru(sku_bin)
        self.check_written(*results["write"], len(fru), len(fru))
        self.assertEqual(read_back(results["read"][0])[:len(fru)], fru)
        self.check_written(*results["again"], 0, len(fru))

    def test_an_older_units_fru_is_written_where_it_differs(self):
        results, sku_bin = self.boot("older", kcs_bmc_serving(self.fru_file("older", self.older)),
                                     [("write", [WRITEFRU_RUN]),
                                      ("read", ["dorvax.efi 28 11 00 00 00 F0"])])
        fru = sku_bin_fru(sku_bin)
        text, status = results["write"]
        written = int(re.search(r"FRU device 0: (\d+) of", text).group(1))
        self.assertLess(written, len(fru))
        self.check_written(text, status, written, len(fru))
        self.assertEqual(read_back(results["read"][0])[:len(fru)], fru)

    def test_an_area_smaller_than_the_image_is_left_alone(self):
        bmc = "ipmi-bmc-sim,id=bmc0,fruareasize=128,frudatafile=" + self.fru_file(
            "small", self.older)
        results, sku_bin = self.boot(
            "small", ["-device", bmc, "-device", "isa-ipmi-kcs,bmc=bmc0,ioport=0xca2"],
            [("write", [WRITEFRU_RUN]), ("read", ["dorvax.efi 28 11 00 00 00 80"])])
        text, status = results["write"]
        self.assertIn("\r\nError! The BMC's FRU area holds 128 bytes; the image needs %d\r\n"
                      % len(sku_bin_fru(sku_bin)), text)
        self.assertEqual(status, "0xD")
        self.assertEqual(read_back(results["read"][0]), self.older[:128])

    def test_without_a_kcs_device_nothing_answers(self):
        results, _ = self.boot("no-kcs", [], [("write", [WRITEFRU_RUN])])
        text, status = results["write"]
        self.assertIn("\r\nError! WRITEFRU: Get Device ID got no reply over KCS\r\n", text)
        self.assertEqual(status, "0x9")


@unittest.skipUnless(system_tests.OEM_MODULE or "--oem-module" in sys.argv,
                     "needs the OEM BMC module")
class WriteFruAgainstIpmiSim(unittest.TestCase):
    """WRITEFRU VERIFY into ipmi_sim's in-memory FRU device 0 holding an older
    unit's FRU, dorvax's read of it, and the same run again; one boot."""

    def test_an_older_units_fru_is_rewritten_and_a_second_run_writes_nothing(self):
        work = tempfile.mkdtemp(prefix="writefru-sim-")
        self.addCleanup(shutil.rmtree, work, True)
        older = window_agent.alter_board_serial(window_agent.fru_from_sku(
            window_agent_tests.host_sku_bin(os.path.join(work, "host"), VALUES)))
        bmc = system_tests.OemBmc(work, ["mc_add_fru_data 0x20 0 1024 data "
                                         + " ".join("0x%02x" % byte for byte in older)])
        try:
            results = system_tests.run_cases(
                [os.path.join(system_tests.IMAGES, program) for program in ("pelgrin.efi",
                                                                             "dorvax.efi")]
                + [system_tests.EXAMPLE_SKU],
                [("write", [WRITEFRU_RUN]), ("read", READS_OF_32), ("again", [WRITEFRU_RUN])],
                bmc.qemu_args(), copy_out=["SKU.BIN"], out_dir=os.path.join(work, "out"))
        finally:
            bmc.stop()
        fru = sku_bin_fru(os.path.join(work, "out", "SKU.BIN"))
        text, status = results["write"]
        print(text[text.find("Writing the FRU"):])
        written = int(re.search(r"FRU device 0: (\d+) of", text).group(1))
        self.assertLess(written, len(fru))
        WriteFruAgainstQemuFru.check_written(self, text, status, written, len(fru))
        self.assertEqual(read_back(results["read"][0])[:len(fru)], fru)
        WriteFruAgainstQemuFru.check_written(self, *results["again"], 0, len(fru))


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
