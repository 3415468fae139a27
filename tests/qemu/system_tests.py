#!/usr/bin/env python3
"""Both programs in OVMF's UEFI shell against BMCs none of us wrote: QEMU's
ipmi-bmc-sim behind isa-ipmi-kcs, OpenIPMI's ipmi_sim with our OEM module
behind ipmi-bmc-extern, and no KCS device at all. Each test class
boots once and runs its cases one after the other, each case's console text
and %lasterror% kept apart by echoed markers.

    system_tests.py --images build/uefi --host-bin build/host \
        [--oem-module oem_bmc_module.so [--enterprise-number N]] \
        [--other-image pelgrin.efi --other-number N] [unittest args]

--enterprise-number is the one the images were built for (the module's own
default otherwise); --other-image is a pelgrin.efi built for --other-number.
"""

import argparse
import base64
import os
import random
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import qemu_shell  # noqa: E402

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
EXAMPLE_SKU = os.path.join(SOURCE_DIR, "examples", "SKU.xml")
IMAGES = os.environ.get("VELSKU_UEFI_IMAGE_DIR", os.path.join(SOURCE_DIR, "build", "uefi"))
HOST_BIN = os.environ.get("VELSKU_HOST_BIN_DIR", os.path.join(SOURCE_DIR, "build", "host"))
OEM_MODULE = os.environ.get("VELSKU_OEM_BMC_MODULE", "")
ENTERPRISE_NUMBER = None
OTHER_IMAGE = ""
OTHER_NUMBER = None

KCS_BMC = ["-device", "ipmi-bmc-sim,id=bmc0,device_rev=7,fwrev1=3,fwrev2=0x45,"
           "mfg_id=0x123456,product_id=0x4243",
           "-device", "isa-ipmi-kcs,bmc=bmc0,ioport=0xca2"]
CLOCK = "2025-12-01T12:00:00"
HOST_CLOCK_LEAD = 10  # seconds the shell takes to reach the program


def run_cases(files, cases, qemu_args=(), copy_out=(), out_dir=None, medium=None, timeout=120):
    """Runs (name, commands) cases in one boot; returns name -> (text, status)."""
    body = []
    for name, commands in cases:
        body.append('echo "=== case %s"' % name)
        body += commands
        body += ['echo "=== status %s %%lasterror%%"' % name, "cd \\"]
    console = qemu_shell.run_shell(files, body, qemu_args, copy_out, out_dir, timeout,
                                   medium=medium or qemu_shell.Medium())
    results = {}
    for name, _ in cases:
        match = re.search(r"=== case %s\r\n(.*?)=== status %s (\S+)\r\n" % (name, name),
                          console, re.S)
        if match is None:
            raise AssertionError("case %s not found in the console:\n%s" % (name, console))
        results[name] = (match.group(1), match.group(2))
    return results


def host_run(program, arguments, files, work_dir):
    """The host program's console (CR LF, beyond ASCII as "?") in `work_dir`."""
    os.makedirs(work_dir, exist_ok=True)
    for source in files:
        shutil.copy(source, work_dir)
    clock = qemu_epoch(CLOCK) + HOST_CLOCK_LEAD
    result = subprocess.run([os.path.join(HOST_BIN, program)] + arguments, cwd=work_dir,
                            env=dict(os.environ, SIM_CLOCK=str(clock)), stdout=subprocess.PIPE)
    text = result.stdout.decode("utf-8").encode("ascii", "replace").decode("ascii")
    return text.replace("\n", "\r\n")


def qemu_epoch(clock):
    import calendar
    return calendar.timegm(time.strptime(clock, "%Y-%m-%dT%H:%M:%S"))


class DorvaxAndPelgrinAgainstQemuBmc(unittest.TestCase):
    GET_DEVICE_ID = "\r\nReturn Data= 1C 01 00 20 07 03 45 02 07 56 34 12 43 42 \r\n"

    @classmethod
    def setUpClass(cls):
        cls.results = run_cases(
            [os.path.join(IMAGES, "dorvax.efi"), os.path.join(IMAGES, "pelgrin.efi"),
             EXAMPLE_SKU],
            [("id", ["dorvax.efi 18 01"]),
             ("id_no_delay", ["dorvax.efi 18 01 -delay 0"]),
             ("unknown_command", ["dorvax.efi 18 77"]),
             ("watchdog_never_set", ["dorvax.efi 18 22"]),
             ("pelgrin_channel", ["pelgrin.efi BSN=BSN0042"]),
             ("longest_delay", ["dorvax.efi 18 01 -delay ffff"])],
            KCS_BMC)

    def test_get_device_id_shows_the_bmc_properties(self):
        self.assertEqual(self.results["id"], (self.GET_DEVICE_ID, "0x0"))

    def test_zero_delay_gives_the_same_reply(self):
        self.assertEqual(self.results["id_no_delay"], (self.GET_DEVICE_ID, "0x0"))

    def test_unimplemented_command_prints_its_completion_code(self):
        self.assertEqual(self.results["unknown_command"],
                         ("\r\nError Code[0xc1]:Invalid Command.\r\n", "0xFFFFFFFF"))

    def test_command_specific_completion_code_is_an_error(self):
        # Reset Watchdog Timer on a watchdog that was never set: 0x80, a code
        # outside the table, named by its IPMI class.
        self.assertEqual(self.results["watchdog_never_set"],
                         ("\r\nError Code[0x80]:Command-specific completion code.\r\n",
                          "0xFFFFFFFF"))

    def test_longest_delay_is_cut_to_the_deadline(self):
        # Pauses of 65.5 s: the first is cut to the 15 s deadline, the others
        # to nothing, and QEMU's BMC is ready at every look: the reply in 15 s
        # rather than after 34 pauses (37 minutes, past this test's timeout).
        self.assertEqual(self.results["longest_delay"], (self.GET_DEVICE_ID, "0x0"))

    def test_pelgrin_finds_no_shared_memory_on_a_bmc_without_oem_commands(self):
        text, status = self.results["pelgrin_channel"]
        self.assertEqual(len(re.findall(r"^CmdResp = ", text, re.M)), 3, text)
        self.assertIn("Initial SMem Request failed\r\n", text)
        self.assertNotIn("Done", text)
        self.assertEqual(status, "0x7")


class DorvaxWithoutKcsDevice(unittest.TestCase):
    def test_request_times_out_quickly(self):
        started = time.monotonic()
        results = run_cases([os.path.join(IMAGES, "dorvax.efi")],
                            [("timeout", ["dorvax.efi 18 01"])])
        self.assertEqual(results["timeout"], ("\r\nKCS ACCESS TIMEOUT\r\n", "0xFFFFFFFF"))
        self.assertLess(time.monotonic() - started, 60)


def write_variant(path, replace=None, insert=None):
    with open(EXAMPLE_SKU, encoding="utf-8") as handle:
        text = handle.read()
    if replace:
        text = text.replace(*replace)
    if insert:
        text = text.replace("</VELSKU>", insert + "\n</VELSKU>")
    with open(path, "w", encoding="utf-8") as handle:
        handle.write(text)


class PelgrinFailureStatuses(unittest.TestCase):
    """Each case in its own folder of FS0:, compared with the host program."""

    ARGUMENTS = ["MainMAC=001122334455", "BSN=BSN0042", "PSN=PSN77", "DSBSHM"]

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="pelgrin-statuses-")
        newer = os.path.join(cls.work, "newer.xml")
        write_variant(newer, replace=("<Pelgrin>0.22</Pelgrin>", "<Pelgrin>0.23</Pelgrin>"))
        big = os.path.join(cls.work, "big.xml")
        noise = base64.b64encode(random.Random(7).randbytes(40000)).decode("ascii")
        write_variant(big, insert="  <Blob>%s</Blob>" % noise)
        # A DOCTYPE, stopped before its declaration is read; and the same one
        # byte over the 1 MiB read, refused by the shell's file size before
        # the parse could reach the DOCTYPE.
        with_doctype = ("<VELSKU ", '<!DOCTYPE VELSKU [<!ENTITY e "x">]>\n<VELSKU ')
        doctype = os.path.join(cls.work, "doctype.xml")
        write_variant(doctype, replace=with_doctype)
        oversized = os.path.join(cls.work, "oversized.xml")
        pad = (1 << 20) + 1 - os.path.getsize(doctype) - len("  <Blob></Blob>\n")
        write_variant(oversized, replace=with_doctype, insert="  <Blob>%s</Blob>" % ("x" * pad))
        # Left over from an earlier run: SKU.BIN is deleted at the start, while
        # mysku.xml.gz must come out whole through gzopen's truncating open.
        stale = os.path.join(cls.work, "stale.bin")
        with open(stale, "wb") as handle:
            handle.write(b"stale bytes " * 2000)
        cls.inputs = {"missing": [(EXAMPLE_SKU, "README")], "newer": [(newer, "SKU.xml")],
                      "big": [(big, "SKU.xml")], "oversized": [(oversized, "SKU.xml")],
                      "doctype": [(doctype, "SKU.xml")],
                      "stale": [(EXAMPLE_SKU, "SKU.xml"), (stale, "SKU.BIN"),
                                (stale, "mysku.xml.gz")]}
        files = [os.path.join(IMAGES, "pelgrin.efi")]
        for case, inputs in cls.inputs.items():
            files += ["%s=%s/%s" % (source, case, target) for source, target in inputs]
        command = " ".join(["..\\pelgrin.efi"] + cls.ARGUMENTS)
        cases = [(name, ["cd " + name, command]) for name in cls.inputs]
        cls.shell_dir = os.path.join(cls.work, "shell")
        cls.results = run_cases(files, cases, ["-rtc", "base=%s,clock=vm" % CLOCK],
                                ["stale/SKU.BIN", "stale/mysku.xml.gz"], cls.shell_dir)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def host_console(self, name):
        host_dir = os.path.join(self.work, "host", name)
        os.makedirs(host_dir)
        for source, target in self.inputs[name]:
            shutil.copy(source, os.path.join(host_dir, target))
        return host_run("pelgrin", self.ARGUMENTS, [], host_dir)

    def check_case(self, name, status):
        self.assertEqual(self.results[name], (self.host_console(name), status))

    def test_missing_description(self):
        self.check_case("missing", "0xFFFFFFFE")

    def test_description_needing_a_newer_tool(self):
        self.check_case("newer", "0x5")

    def test_image_too_big_is_reported_as_aborted(self):
        self.check_case("big", "0x15")

    def test_oversized_and_doctype_descriptions_are_refused_unread(self):
        for name in ("oversized", "doctype"):
            with self.subTest(name):
                self.check_case(name, "0x2")
                self.assertEqual(self.results[name][0].count("Error!"), 1)

    def test_stale_outputs_are_replaced_by_the_hosts(self):
        self.check_case("stale", "0x0")
        for name in ("SKU.BIN", "mysku.xml.gz"):
            with open(os.path.join(self.shell_dir, "stale", name), "rb") as shell_file, \
                    open(os.path.join(self.work, "host", "stale", name), "rb") as host_file:
                self.assertEqual(shell_file.read(), host_file.read(), name)

    def test_fru_entry_decodes_with_ipmi_fru(self):
        with open(os.path.join(self.shell_dir, "stale", "SKU.BIN"), "rb") as handle:
            image = handle.read()
        entry = image[0xC0:0xE0]
        offset = int.from_bytes(entry[24:27], "little")
        size = int.from_bytes(entry[27:30], "little")
        fru = os.path.join(self.work, "fru.bin")
        with open(fru, "wb") as handle:
            handle.write(image[offset:offset + size])
        ipmi_fru = shutil.which("ipmi-fru") or "/usr/sbin/ipmi-fru"
        result = subprocess.run([ipmi_fru, "--fru-file=" + fru], stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, env=dict(os.environ, TZ="UTC"))
        decoded = result.stdout.decode("utf-8", "replace")
        self.assertEqual(result.returncode, 0, decoded)
        self.assertIn("BSN0042", decoded)
        self.assertIn("PSN77", decoded)
        self.assertNotRegex(decoded.lower(), "checksum invalid|error")


SMEM_ADDRESS = 0x9E000000


def listening(port):
    """True when something listens on the TCP port (read from /proc, so that
    no probing connection takes the emulator's only client slot)."""
    with open("/proc/net/tcp") as handle:
        for line in handle.readlines()[1:]:
            fields = line.split()
            if int(fields[1].split(":")[1], 16) == port and fields[3] == "0A":
                return True
    return False


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class OemBmc:
    """OpenIPMI's ipmi_sim with our OEM module, reached by QEMU's
    ipmi-bmc-extern over a socket. `emulator_lines` go to the end of its
    command file (e.g. an mc_add_fru_data)."""

    def __init__(self, work_dir, emulator_lines=(), enterprise_number=None, misshapen=()):
        """misshapen: (NetFn, command, "short" or the command to echo) for
        requests the module answers wrongly; needs enterprise_number."""
        self.log = os.path.join(work_dir, "oem-requests.log")
        options = "%s %x" % (self.log, SMEM_ADDRESS)
        if enterprise_number is not None:
            options += " %d" % enterprise_number
        for net_fn, command, how in misshapen:
            options += " %x %x %s" % (net_fn, command, how)
        self.port = free_port()
        state = os.path.join(work_dir, "state")
        os.makedirs(state)
        config = os.path.join(work_dir, "lan.conf")
        with open(config, "w") as handle:
            handle.write('name "velsku"\nset_working_mc 0x20\n'
                         '  serial 15 127.0.0.1 %d codec VM\n'
                         '  loadlib "%s" "%s"\n' % (self.port, OEM_MODULE, options))
        commands = os.path.join(work_dir, "bmc.emu")
        with open(commands, "w") as handle:
            handle.write("mc_setbmc 0x20\n"
                         "mc_add 0x20 0 no-device-sdrs 0x23 9 8 0x9f 0x1291 0xf02 persist_sdr\n"
                         "mc_enable 0x20\n" + "".join(line + "\n" for line in emulator_lines))
        self.output = open(os.path.join(work_dir, "ipmi_sim.out"), "w")
        self.process = subprocess.Popen(
            [shutil.which("ipmi_sim") or "/usr/bin/ipmi_sim", "-c", config, "-f", commands,
             "-n", "-s", state], stdout=self.output, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + 10
        while not listening(self.port):
            if time.monotonic() > deadline or self.process.poll() is not None:
                self.stop()
                raise AssertionError("ipmi_sim did not start")
            time.sleep(0.1)

    def qemu_args(self):
        return ["-chardev", "socket,id=ipmi0,host=127.0.0.1,port=%d,reconnect=10" % self.port,
                "-device", "ipmi-bmc-extern,id=bmc0,chardev=ipmi0",
                "-device", "isa-ipmi-kcs,bmc=bmc0,ioport=0xca2"]

    def requests(self, command):
        """The logged OEM requests with the given command byte."""
        if not os.path.exists(self.log):
            return []
        with open(self.log) as handle:
            return [line for line in handle.read().splitlines()
                    if line.split()[1] == "%02x" % command]

    def stop(self):
        self.process.terminate()
        self.process.wait()
        self.output.close()


@unittest.skipUnless(OEM_MODULE or "--oem-module" in sys.argv, "needs the OEM BMC module")
class PelgrinAgainstOemBmc(unittest.TestCase):
    """The production run's channel against display functions of QEMU that
    happen to sit where the BMC's window is looked for."""

    def run_with_display(self, *devices):
        work = tempfile.mkdtemp(prefix="oem-bmc-")
        self.addCleanup(shutil.rmtree, work, True)
        bmc = OemBmc(work, enterprise_number=ENTERPRISE_NUMBER)
        self.addCleanup(bmc.stop)
        results = run_cases([os.path.join(IMAGES, "pelgrin.efi"), EXAMPLE_SKU],
                            [("run", ["pelgrin.efi BSN=BSN0042"])],
                            bmc.qemu_args() + [arg for device in devices
                                               for arg in ("-device", device)])
        text, status = results["run"]
        self.assertEqual(len(bmc.requests(0x21)), 1)
        self.assertIn("ShareMemAddr = (0x9e000000, ", text)
        return text, status, len(bmc.requests(0x20))

    # vmware-svga's BAR 0x14 is its frame buffer, large enough for the window:
    # it is taken although a cirrus-vga follows on the bus, and as no BMC
    # empties the command word behind it, the doorbell times out.
    def test_vmware_svga_before_cirrus_vga_is_used_and_the_doorbell_times_out(self):
        text, status, doorbells = self.run_with_display("vmware-svga", "cirrus-vga")
        self.assertIn("\r\nTimeout: Please Check Share Memory exist or not\r\n", text)
        self.assertEqual((status, doorbells), ("0x15", 1))

    # cirrus-vga's BAR 0x14 is a 4 KiB register block: the window's registers
    # at 0xF000 and its data at 0x10000 would lie in space nothing decodes.
    def test_cirrus_vga_register_block_is_too_small_for_the_window(self):
        text, status, doorbells = self.run_with_display("cirrus-vga")
        self.assertIn("Initial SMem Failed\r\n", text)
        self.assertEqual((status, doorbells), ("0x7", 0))

    # Both have a memory BAR 1 of 16 MiB or more: either could be the BMC's,
    # so neither is written and the doorbell is never rung.
    def test_two_display_functions_with_large_bars_are_both_named(self):
        text, status, doorbells = self.run_with_display("qxl-vga", "vmware-svga")
        line = re.search(r"Error! More than one display function could hold the BMC's window "
                         r"\(choose with VELSKU_BMC_PCI_VENDORS\): (.*)\r\n", text)
        self.assertIsNotNone(line, text)
        self.assertRegex(line.group(1),
                         r"^0000:00:[0-9a-f]{2}\.0 1b36:0100, 0000:00:[0-9a-f]{2}\.0 15ad:0405$")
        self.assertIn("Initial SMem Request failed\r\n", text)
        self.assertEqual((status, doorbells), ("0x7", 0))

    def test_ati_vga_io_window_is_passed_over(self):
        text, status, doorbells = self.run_with_display("ati-vga")
        self.assertIn("Initial SMem Failed\r\n", text)
        self.assertEqual((status, doorbells), ("0x7", 0))


@unittest.skipUnless(OEM_MODULE or "--oem-module" in sys.argv, "needs the OEM BMC module")
class DorvaxAgainstABmcAnsweringWrongly(unittest.TestCase):
    """ipmi_sim with our module answering Get Device ID with NetFn and
    command only, and Get Self Test Results under another command's echo;
    one boot. QEMU's ipmi-bmc-extern passes on no reply shorter than a
    completion code: it drops the short one and answers 0xC3 itself."""

    @classmethod
    def setUpClass(cls):
        if ENTERPRISE_NUMBER is None:
            raise unittest.SkipTest("needs --enterprise-number")
        work = tempfile.mkdtemp(prefix="oem-bmc-misshapen-")
        try:
            bmc = OemBmc(work, enterprise_number=ENTERPRISE_NUMBER,
                         misshapen=[(0x06, 0x01, "short"), (0x06, 0x04, "2")])
            try:
                cls.results = run_cases([os.path.join(IMAGES, "dorvax.efi")],
                                        [("short", ["dorvax.efi 18 01"]),
                                         ("echo", ["dorvax.efi 18 04"])],
                                        bmc.qemu_args())
            finally:
                bmc.stop()
        finally:
            shutil.rmtree(work, ignore_errors=True)

    def test_short_reply_never_passes_as_data(self):
        text, status = self.results["short"]
        self.assertNotIn("Return Data=", text)
        self.assertIn("\r\nError Code[0xc3]:Timeout while processing command.\r\n", text)
        self.assertEqual(status, "0xFFFFFFFF")

    def test_reply_to_another_command_is_shown_then_refused(self):
        self.assertEqual(self.results["echo"],
                         ("\r\nReturn Data= 1C 02 00 \r\n"
                          "Error! The reply answers another request (NetFn 0x07, command 0x02)\r\n",
                          "0xFFFFFFFF"))


def address_lines(enterprise_number):
    """The three CmdResp lines of an address answer for this number (response
    bytes 0-11: header, completion code, the number and the address, each
    least significant byte first)."""
    response = [0xBC, 0x21, 0x00] + list(enterprise_number.to_bytes(3, "little")) + \
        list(SMEM_ADDRESS.to_bytes(4, "little")) + [0, 0]
    return "".join("CmdResp = %s\r\n" % ", ".join("%x" % byte for byte in response[i:i + 4])
                   for i in range(0, 12, 4))


@unittest.skipUnless(OEM_MODULE or "--oem-module" in sys.argv, "needs the OEM BMC module")
@unittest.skipUnless("--other-image" in sys.argv, "needs a pelgrin.efi built for another number")
class PelgrinBuiltForAnotherBmc(unittest.TestCase):
    """A BMC answers its maker's enterprise number only: a module answering
    the other number, in one boot, against the image built for it (pen\) and
    the images' own pelgrin.efi (the root)."""

    @classmethod
    def setUpClass(cls):
        work = tempfile.mkdtemp(prefix="oem-bmc-other-")
        cls.bmc = OemBmc(work, enterprise_number=OTHER_NUMBER)
        try:
            cls.results = run_cases(
                [os.path.join(IMAGES, "pelgrin.efi"), EXAMPLE_SKU,
                 OTHER_IMAGE + "=pen/pelgrin.efi", EXAMPLE_SKU + "=pen/SKU.xml"],
                [("built_for_it", ["cd pen", "pelgrin.efi BSN=BSN0042"]),
                 ("built_for_another", ["pelgrin.efi BSN=BSN0042"])],
                cls.bmc.qemu_args() + ["-device", "vmware-svga"])
            cls.address_requests = cls.bmc.requests(0x21)
        finally:
            cls.bmc.stop()
            shutil.rmtree(work, ignore_errors=True)

    def test_image_for_the_modules_number_gets_the_address_and_goes_on(self):
        text, status = self.results["built_for_it"]
        self.assertIn(address_lines(OTHER_NUMBER) + "ShareMemAddr = (0x9e000000, ", text)
        self.assertNotIn("Initial SMem Request failed", text)
        self.assertIn("\r\nTimeout: Please Check Share Memory exist or not\r\n", text)
        self.assertEqual(status, "0x15")

    def test_image_for_another_number_gets_no_address(self):
        text, status = self.results["built_for_another"]
        self.assertEqual(len(re.findall(r"^CmdResp = ", text, re.M)), 3, text)
        self.assertIn("Error! The BMC gave no shared-memory address\r\n"
                      "Initial SMem Request failed\r\n", text)
        self.assertEqual(status, "0x7")

    def test_only_the_request_for_its_number_reached_the_module(self):
        self.assertEqual(len(self.address_requests), 1, self.address_requests)


def main():
    global IMAGES, HOST_BIN, OEM_MODULE, ENTERPRISE_NUMBER, OTHER_IMAGE, OTHER_NUMBER
    parser = argparse.ArgumentParser()
    parser.add_argument("--images", default=IMAGES)
    parser.add_argument("--host-bin", default=HOST_BIN)
    parser.add_argument("--oem-module", default=OEM_MODULE)
    parser.add_argument("--enterprise-number", type=lambda text: int(text, 0))
    parser.add_argument("--other-image", default="")
    parser.add_argument("--other-number", type=lambda text: int(text, 0))
    options, rest = parser.parse_known_args()
    IMAGES, HOST_BIN = os.path.abspath(options.images), os.path.abspath(options.host_bin)
    OEM_MODULE = os.path.abspath(options.oem_module) if options.oem_module else ""
    ENTERPRISE_NUMBER = options.enterprise_number
    OTHER_IMAGE = os.path.abspath(options.other_image) if options.other_image else ""
    OTHER_NUMBER = options.other_number
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == "__main__":
    main()
