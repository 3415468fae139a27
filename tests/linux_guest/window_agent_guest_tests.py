#!/usr/bin/env python3
"""The Linux pelgrin's production run in a Linux guest under QEMU, carried to a
BMC: vmware-svga's VRAM as the window (mapped through sysfs), OpenIPMI's
ipmi_sim with our OEM module behind ipmi-bmc-extern, and
tests/qemu/window_agent.py taking the doorbell and handing the FRU image to
ipmi_sim. pelgrin's VERIFY reads that FRU back over the ports, and so does the
Linux dorvax; then, through the kernel's driver, ipmitool writes it to a file
that the host's skubin compares with SKU.BIN, as a line would check a board
after the fact. One boot.

    window_agent_guest_tests.py --linux-bin build/linux --host-bin build/host \
        --kernel-dir build/linux-guest/kernel --oem-module oem_bmc_module.so [unittest args]
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

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "qemu"))
import guest  # noqa: E402
import system_tests  # noqa: E402
import window_agent  # noqa: E402
import window_agent_tests  # noqa: E402

OPTIONS = argparse.Namespace(linux_bin=None, host_bin=None, kernel_dir=None, oem_module=None)

STEPS = r"""
step run pelgrin %(values)s VERIFY
put SKU.BIN
step fru_info dorvax 28 10 00
step fru_read dorvax 28 11 00 00 00 10
step si_without_devintf sh -c '%(si_only)s && dorvax 18 01'
step driver_load sh -c '%(driver_load)s'
step ipmitool_fru_read ipmitool fru read 0 bmc-fru.bin
put bmc-fru.bin
"""
BOOT_TIMEOUT = 300
# ipmi_si on the ports without its device node, then the node.
SI_ONLY = ("insmod /modules/ipmi_msghandler.ko && insmod /modules/ipmi_si.ko type=kcs "
           "ports=0xca2")
DEVINTF = "insmod /modules/ipmi_devintf.ko && ls /dev/ipmi0"


def build_initramfs():
    image = guest.Initramfs()
    image.add_file(shutil.which("busybox"), "/bin/busybox", 0o755)
    for program in ("dorvax", "pelgrin"):
        image.add_program(os.path.join(OPTIONS.linux_bin, program), "/usr/bin/" + program)
    guest.add_ipmitool(image)
    _, version = guest.find_kernel(OPTIONS.kernel_dir)
    guest.add_modules(image, OPTIONS.kernel_dir, version)
    image.add_file(system_tests.EXAMPLE_SKU, "/work/SKU.xml")
    return image


def skubin_against(sku_bin, held_fru, work_dir):
    """build/host/skubin SKU.BIN --against FILE: (output, status)."""
    paths = []
    for name, data in (("SKU.BIN", sku_bin), ("held.fru", held_fru)):
        paths.append(os.path.join(work_dir, name))
        with open(paths[-1], "wb") as handle:
            handle.write(data)
    result = subprocess.run([os.path.join(OPTIONS.host_bin, "skubin"), paths[0], "--against",
                             paths[1]], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    return result.stdout.decode("utf-8", "replace"), result.returncode


class LinuxPelgrinThroughTheWindowAgent(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="window-agent-guest-")
        cls.fru_size = fru_size = len(window_agent.fru_from_sku(window_agent_tests.host_sku_bin(
            os.path.join(cls.work, "host"), window_agent_tests.VALUES)))
        cls.attached = window_agent_tests.AgentBmc(cls.work, fru_size,
                                                   displays=window_agent_tests.AgentBmc.BRIDGED)
        cls.bmc, cls.agent = cls.attached.bmc, cls.attached.agent
        started = time.monotonic()
        try:
            cls.steps, cls.files, cls.console = guest.boot(
                OPTIONS.kernel_dir, build_initramfs(),
                STEPS % {"values": " ".join(window_agent_tests.VALUES),
                         "si_only": SI_ONLY, "driver_load": DEVINTF},
                cls.attached.qemu_args, BOOT_TIMEOUT)
        finally:
            cls.attached.stop()
        cls.seconds = time.monotonic() - started

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def step(self, name):
        self.assertIn(name, self.steps, "step %s missing:\n%s" % (name, self.console[-3000:]))
        output, status = self.steps[name]
        return output.decode("utf-8", "replace"), status

    def test_production_run_ends_done_and_verify_finds_the_fru_it_sent(self):
        text, status = self.step("run")
        count = "".join("%02d\b\b" % second for second in range(1, 91))
        self.assertEqual(len(re.findall(r"^CmdResp = ", text, re.M)), 3, text)
        self.assertTrue(text.endswith(
            "Wait 90 seconds: " + count + "\nDone\nVerify: the BMC's FRU matches SKU.BIN "
            "(%d bytes)\n" % self.fru_size), text)
        self.assertNotIn("Timeout", text)
        self.assertEqual(status, 0)
        self.assertEqual(len(self.bmc.requests(0x20)), 1)
        print("\nLinux guest with the agent: doorbell taken %.0f s and the last step done "
              "%.0f s after QEMU start" % (self.agent.doorbell_seconds, self.seconds))

    def test_window_held_sku_bin_at_the_doorbell(self):
        self.assertIsNone(self.agent.error)
        sku_bin = self.files["SKU.BIN"]
        self.assertEqual(self.agent.capture[:len(sku_bin)], sku_bin)

    def test_bmc_serves_the_fru_from_the_uploaded_sku_bin(self):
        fru = window_agent.fru_from_sku(self.files["SKU.BIN"])
        self.assertEqual(self.agent.fru, fru)
        info, read = window_agent_tests.fru_replies(fru, "\n")
        self.assertEqual(self.step("fru_info"), (info, 0))
        self.assertEqual(self.step("fru_read"), (read, 0))

    def test_ipmi_si_without_its_device_node_is_refused(self):
        text, status = self.step("si_without_devintf")
        self.assertIn("load ipmi_devintf (modprobe ipmi_devintf)", text)
        self.assertEqual(status, 11)

    def test_ipmitool_through_the_driver_reads_a_fru_skubin_matches(self):
        self.assertEqual(self.step("driver_load"), ("/dev/ipmi0\n", 0))
        text, status = self.step("ipmitool_fru_read")
        self.assertEqual(status, 0, text)
        held = self.files["bmc-fru.bin"]
        self.assertEqual(held, self.agent.fru)
        self.assertEqual(skubin_against(self.files["SKU.BIN"], held, self.work),
                         ("Verify: the BMC's FRU matches SKU.BIN (%d bytes)\n" % self.fru_size, 0))


def main():
    parser = argparse.ArgumentParser(add_help=False)
    for option in vars(OPTIONS):
        parser.add_argument("--" + option.replace("_", "-"), required=True)
    known, rest = parser.parse_known_args()
    for key, value in vars(known).items():
        setattr(OPTIONS, key, os.path.abspath(value))
    system_tests.HOST_BIN = OPTIONS.host_bin
    system_tests.OEM_MODULE = OPTIONS.oem_module
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == "__main__":
    main()
