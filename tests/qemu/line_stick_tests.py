#!/usr/bin/env python3
"""The line stick as a station uses it: the image from scripts/make-line-stick
is the only drive, a USB mass-storage device behind an xHCI controller; OVMF
falls back to its shell, which maps it and runs its startup.nsh. The labels
are typed over the serial console when each prompt appears (one refused MAC
among them), and units.log is read back off the image with mtools and parsed.
No BMC answers here, so a unit ends with status 7 and the FAIL banner; a
rehearsal stick (EXTRA_WORDS=DSBSHM), whose VERIFY compares the FRU the board
holds, ends with 0 and the PASS banner on a board programmed earlier.
With the OEM BMC module, the station's whole cycle: the upload taken by the
window agent and read back, two units through one stick.

    line_stick_tests.py --images build/uefi [--host-bin build/host] \
        [--oem-module oem_bmc_module.so] [unittest args]
"""

import argparse
import hashlib
import json
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import qemu_shell  # noqa: E402
import system_tests  # noqa: E402
import verify_tests  # noqa: E402
import window_agent  # noqa: E402
import window_agent_tests  # noqa: E402

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


def arrival(chunks, end):
    """Seconds at which the console byte before `end` arrived; `chunks`
    holds (console length after the read, seconds) for each read."""
    return next(seconds for length, seconds in chunks if length >= end)


def drive_station(process, timeout, steps, started):
    """Waits for each step's text on the console and types its keys (None:
    only noted); returns the console up to the last step and the seconds
    from `started` at which each step's text arrived."""
    output, chunks, arrived = bytearray(), [], []
    searched = 0
    deadline = time.monotonic() + timeout
    descriptor = process.stdout.fileno()
    for text, keys in steps:
        found = output.find(text, searched)
        while found < 0:
            if time.monotonic() > deadline:
                raise AssertionError("no %r within %d s; console:\n%s" % (
                    text, timeout, qemu_shell.clean_console(output.decode("utf-8", "replace"))))
            ready, _, _ = select.select([descriptor], [], [], 0.5)
            if ready:
                chunk = os.read(descriptor, 65536)
                if not chunk:
                    raise AssertionError("QEMU ended before %r" % text)
                output += chunk
                chunks.append((len(output), time.monotonic() - started))
            found = output.find(text, searched)
        searched = found + len(text)
        arrived.append(arrival(chunks, searched))
        if keys is not None:
            time.sleep(0.3)
            type_slowly(process, keys)
    return qemu_shell.clean_console(output.decode("utf-8", "replace")), arrived


def make_stick(image, extra_words="", ask_list=None):
    """The stick of scripts/make-line-stick; its own keyword list unless
    `ask_list` is given."""
    environment = dict(os.environ, IMAGES=IMAGES[0], EXTRA_WORDS=extra_words)
    if ask_list:
        environment["ASK_LIST"] = ask_list
    subprocess.run(["bash", os.path.join(SOURCE_DIR, "scripts", "make-line-stick"),
                    os.path.join(SOURCE_DIR, "examples", "SKU.xml"), image],
                   env=environment, check=True, stdout=subprocess.DEVNULL)


def run_stick(work, image, steps, qemu_args=(), timeout=240):
    """Boots the stick with fresh firmware variables and drives its console
    through the skip prompt, `steps` and the final pause; returns
    drive_station's console and arrivals (the skip prompt's first)."""
    vars_copy = os.path.join(work, "vars.fd")
    shutil.copyfile(qemu_shell.OVMF_VARS, vars_copy)
    started = time.monotonic()
    with subprocess.Popen(stick_command(image, vars_copy) + list(qemu_args),
                          stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT) as process:
        try:
            return drive_station(process, timeout, [(qemu_shell.SKIP_PROMPT, b" ")] + steps
                                 + [(b"to quit", b"q")], started)
        finally:
            process.kill()
            process.wait()


def boot_stick(work, extra_words, qemu_args=()):
    """Makes the stick, boots it, answers the prompts; returns the console
    and the stick's image path."""
    image = os.path.join(work, "stick.img")
    make_stick(image, extra_words, "BSN,PSN,MainMAC")
    return run_stick(work, image, ANSWERS, qemu_args)[0], image


def bmc_programmed_earlier(work):
    """QEMU's BMC holding the FRU the host build makes for ANSWERS' values:
    the board a rehearsal stick's VERIFY finds already programmed."""
    fru = window_agent.fru_from_sku(window_agent_tests.host_sku_bin(
        os.path.join(work, "host"), ["MainMAC=021B2C3D4E5F", "BSN=BSN-0001", "PSN=PSN-0001"]))
    fru_file = os.path.join(work, "fru0.bin")
    with open(fru_file, "wb") as handle:
        handle.write(fru)
    return verify_tests.kcs_bmc_serving(fru_file)


def stick_file(image, name):
    return subprocess.run(["mcopy", "-n", "-i", image, "::/" + name, "-"], check=True,
                          stdout=subprocess.PIPE).stdout


class LineStick(unittest.TestCase):
    def test_prompts_record_and_banner(self):
        # (case, EXTRA_WORDS, BMC, banner, status shown, record's status and
        # verification, error)
        cases = [
            ("no BMC answers", "", None, "FFFFFFF", "Status 0x7", 7, "not run",
             "Error! The BMC gave no shared-memory address"),
        ]
        for name, extra_words, bmc, banner, shown, status, verification, error in cases:
            with self.subTest(name):
                work = tempfile.mkdtemp(prefix="line-stick-")
                try:
                    console, image = boot_stick(work, extra_words, bmc(work) if bmc else ())
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
                    self.assertEqual((record["sent"], record["verification"]),
                                     (False, verification))
                    self.assertEqual(record["error"], error)
                    self.assertEqual(record["SKU.BIN"], {
                        "sha256": hashlib.sha256(image_bytes).hexdigest(),
                        "size": len(image_bytes)})
                finally:
                    shutil.rmtree(work, ignore_errors=True)


def answers(number, mac):
    return [(b"Scan BSN: ", b"BSN-%04d\r" % number), (b"Scan PSN: ", b"PSN-%04d\r" % number),
            (b"Scan MainMAC: ", mac + b"\r")]


def stick_files(image):
    return {line.split()[-1] for line in subprocess.run(
        ["mdir", "-b", "-i", image, "::/"], check=True, stdout=subprocess.PIPE,
        universal_newlines=True).stdout.splitlines()}


def other_unit(number):
    return (b'{"time":"2026-12-01T08:00:00Z","time_zone":"UTC","tool":"pelgrin","version":'
            b'"0.22","status":0,"values":{"MainMAC":"0A%010X","ShareMAC":"0E%010X",'
            b'"BSN":"BQ%08d","PSN":"SR%08d"},"Board ID":"TN4MB-0420","SKU.xml":null,'
            b'"SKU.BIN":null,"sent":true,"verification":"match","error":null,'
            b'"refused_scans":0,"rework":false,"stick":null}\n') % (number, number, number, number)


def fill_stick(work, image):
    """Leaves the stick 16 KiB free: less than a record needs kept free."""
    listing = subprocess.run(["mdir", "-i", image, "::/"], check=True, stdout=subprocess.PIPE,
                             universal_newlines=True).stdout
    free = int(listing.split("bytes free")[0].split("\n")[-1].replace(" ", ""))
    filler = os.path.join(work, "filler.bin")
    with open(filler, "wb") as handle:
        handle.truncate(free - 16384)
    subprocess.run(["mcopy", "-i", image, filler, "::/FILLER.BIN"], check=True)


class StickBinding(unittest.TestCase):
    """One rehearsal stick through the ways a line can go wrong, boot after
    boot: a unit passes; the next is scanned with its MainMAC and is refused;
    a copy of the stick beside it stops the script; SKU.xml changed on the
    stick is refused; a full stick fails before any scan."""

    def test_a_stick_bound_to_itself_its_sku_and_its_units(self):
        work = tempfile.mkdtemp(prefix="stick-binding-")
        self.addCleanup(shutil.rmtree, work, True)
        image = os.path.join(work, "stick.img")
        make_stick(image, "DSBSHM", "BSN,PSN,MainMAC")
        stick_id = next(name for name in stick_files(image)
                        if name.endswith(".ID")).split("STICK-")[1][:-3]
        sku = stick_file(image, "SKU.xml")
        copy = os.path.join(work, "copy.img")
        second_stick = ["-drive", "if=none,id=copy,format=raw,file=" + copy,
                        "-device", "usb-storage,drive=copy,removable=on"]
        changed_sku = os.path.join(work, "SKU.xml")
        with open(changed_sku, "wb") as handle:
            handle.write(sku.replace(b"</VELSKU>", b"<!-- changed -->\n</VELSKU>"))
        refusal = ("Error! MainMAC 021B2C3D4E5F was given at %s to the unit with BSN BSN-0001")

        def pass_first_unit():
            return bmc_programmed_earlier(work)

        def attach_copy():
            shutil.copyfile(image, copy)
            return second_stick

        def change_sku():
            subprocess.run(["mcopy", "-o", "-i", image, changed_sku, "::/SKU.xml"], check=True)
            return ()

        def fill():
            fill_stick(work, image)
            return ()

        def long_log():
            # Units that share nothing with the next one, ahead of the unit it
            # repeats: the whole log is read before the refusal.
            log = os.path.join(work, "units.log")
            with open(log, "wb") as handle:
                handle.write(b"".join(other_unit(number) for number in range(10000)))
                handle.write(stick_file(image, "units.log"))
            subprocess.run(["mcopy", "-o", "-i", image, log, "::/units.log"], check=True)
            return ()

        # (case, before the boot, steps, lines shown, record's status or None)
        digest = hashlib.sha256(sku).hexdigest()
        changed = hashlib.sha256(open(changed_sku, "rb").read()).hexdigest()
        cases = [
            ("a unit passes", pass_first_unit, ANSWERS, ["PPPPPP", "Status 0x0"], 0),
            ("its MainMAC on another board", lambda: (), answers(2, b"021B2C3D4E5F"),
             ["FFFFFFF", "Status 0xC"], 12),
            ("a copy of the stick attached", attach_copy, [],
             ["Two file systems hold this stick, ID %s: fs0 and fs1; remove one: nothing run"
              % stick_id, "FFFFFFF", "Status none"], None),
            ("after 10,000 other units", long_log, answers(4, b"021B2C3D4E5F"),
             ["FFFFFFF", "Status 0xC"], 12),
            ("SKU.xml changed on the stick", change_sku, answers(3, b"021B2C3D4E71"),
             ["Error! SKU.xml has SHA-256 %s..., not the %s... this stick was made for"
              % (changed[:12], digest[:12]), "FFFFFFF", "Status 0xF"], 15),
            ("a full stick", fill, [],
             ["Error! The unit's record cannot be written to units.log:", "FFFFFFF",
              "Status 0xE"], None),
        ]
        records = []
        for name, prepare, steps, shown, status in cases:
            with self.subTest(name):
                qemu_args = prepare()
                if records:
                    records = stick_file(image, "units.log").split(b"\n")[:-1]
                waits = [(b"was given at", None)] if status == 12 else []
                # Where nothing is asked, a prompt would wait for ever: a shorter bound.
                console, arrived = run_stick(work, image, steps + waits + [(b"Status ", None)],
                                             qemu_args, timeout=240 if steps else 90)
                if waits:
                    # From the last key typed to the refusal.
                    typed = 0.3 + 0.05 * len(steps[-1][1])
                    print("%s: %d records read, refusal %.2f s after the last answer" % (
                        name, len(records), arrived[len(steps) + 1] - arrived[len(steps)] - typed))
                print(console[console.find("\n", console.find("to skip")):])
                for line in shown:
                    self.assertIn(line, console)
                lines = stick_file(image, "units.log").split(b"\n")
                self.assertEqual(lines[:len(records)], records)
                if status is not None:
                    records.append(lines[-2])
                self.assertEqual(len(lines), len(records) + 1)
                if status is None:
                    continue
                record = json.loads(records[-1])
                print(records[-1].decode())
                self.assertEqual((record["status"], record["stick"], record["time_zone"]),
                                 (status, stick_id, "unspecified"))
                self.assertEqual(record["SKU.xml"]["sha256"], changed if status == 15 else digest)
                if status == 0:
                    self.assertEqual((record["verification"], record["error"],
                                      record["refused_scans"]), ("match", None, 1))
                    first_time = record["time"]
                if status == 12:
                    self.assertEqual(record["error"], refusal % first_time)
                    self.assertIn(refusal % first_time, console)


# The station's own keyword list, scanned for the unit window_agent_tests.py
# programs; the MainMAC typed first with colons is refused and scanned again.
STATION_VALUES = dict(value.split("=") for value in window_agent_tests.VALUES)
STATION_ANSWERS = [
    (b"Scan BSN: ", b"BQ4W2611000217\r"),
    (b"Scan PSN: ", b"SR4W2611000388\r"),
    (b"Scan CSN: ", b"CH4W2611000054\r"),
    (b"Scan MainMAC: ", b"02:1B:2C:3D:4E:5F\r"),
    (b"must be 12 hexadecimal digits", b"021B2C3D4E5F\r"),
    (b"Scan ShareMAC: ", b"021B2C3D4E60\r"),
    (b"\r\n", None),  # the last answer taken
    (b"\r\nDone\r\n", None),
]


def station_timings(arrived):
    """Boot (to the first prompt), prompts, run (to Done) and verification
    (to the banner) in seconds, from the arrivals of run_stick's steps."""
    first_prompt, answered, done, banner = arrived[1], arrived[-4], arrived[-3], arrived[-2]
    return first_prompt, answered - first_prompt, done - answered, banner - done


@unittest.skipUnless(system_tests.OEM_MODULE or "--oem-module" in sys.argv,
                     "needs the OEM BMC module")
class StationCycleThroughTheWindowAgent(unittest.TestCase):
    """Two units through one stick, as at a station: ipmi_sim with our OEM
    module as the BMC, vmware-svga as its window and the window agent taking
    the doorbell. The first BMC is given the FRU that was sent (PASS); the
    second one another unit's, with the board serial number changed (FAIL),
    and its record joins the first in units.log."""

    def boot_with_agent(self, work, image, fru_size, alter_serial, banner):
        os.makedirs(work)
        attached = window_agent_tests.AgentBmc(work, fru_size, alter_serial)
        try:
            console, arrived = run_stick(work, image, STATION_ANSWERS + [(banner, None)],
                                         attached.qemu_args)
        finally:
            attached.stop()
        self.assertIsNone(attached.agent.error)
        return console, station_timings(arrived), attached.agent.capture

    def test_a_unit_passes_and_one_with_another_units_fru_fails(self):
        # (case, agent alters the serial, banner, status shown, record's
        # status and verification, the console's line after Done)
        work = tempfile.mkdtemp(prefix="station-")
        self.addCleanup(shutil.rmtree, work, True)
        fru_size = len(window_agent.fru_from_sku(
            window_agent_tests.host_sku_bin(os.path.join(work, "host"), window_agent_tests.VALUES)))
        cases = [
            ("the FRU as sent", False, b"PPPPPP", "Status 0x0", 0, "match",
             "Verify: the BMC's FRU matches SKU.BIN (%d bytes)" % fru_size),
            ("another unit's FRU", True, b"FFFFFFF", "Status 0x8", 8, "mismatch",
             verify_tests.SERIAL_LINE.rstrip()),
        ]
        image = os.path.join(work, "stick.img")
        make_stick(image)
        records = []
        for boot, (name, alter, banner, shown, status, verification, line) in enumerate(cases):
            with self.subTest(name):
                console, timings, capture = self.boot_with_agent(
                    os.path.join(work, "boot%d" % boot), image, fru_size, alter, banner)
                print(console[console.find("Scan BSN"):])
                print("%s: boot %.1f s, prompts %.1f s, run %.1f s, verification %.1f s; "
                      "banner %.1f s after QEMU start" % ((name,) + timings + (sum(timings),)))
                for expected in ["Error! MainMAC must be 12 hexadecimal digits",
                                 "Scan MainMAC: 021B2C3D4E5F", banner.decode(), shown]:
                    self.assertIn(expected, console)
                # A FRU that differs is read again for 30 s before the mismatch stands.
                done = verify_tests.REREADS_FOR_30_S if alter else re.escape("Done\r\n")
                self.assertRegex(console, r"\r\n" + done + re.escape(line + "\r\n"))
                lines = stick_file(image, "units.log").split(b"\n")
                self.assertEqual((lines[:len(records)], len(lines), lines[-1]),
                                 (records, len(records) + 2, b""))
                records.append(lines[-2])
                print(lines[-2].decode())
                record = json.loads(lines[-2])
                sku_bin = stick_file(image, "SKU.BIN")
                self.assertEqual(capture[:len(sku_bin)], sku_bin)
                self.assertEqual((record["status"], record["sent"], record["verification"]),
                                 (status, "window", verification))
                self.assertEqual(record["values"], STATION_VALUES)
                self.assertEqual(record["SKU.BIN"], {
                    "sha256": hashlib.sha256(sku_bin).hexdigest(), "size": len(sku_bin)})


class StationCycleWritingTheFru(unittest.TestCase):
    """The station's cycle for a BMC that takes its FRU over KCS: the stick
    made with EXTRA_WORDS=WRITEFRU, QEMU's own BMC with an area of zeros
    behind the KCS ports; no window, no doorbell, no reset to count."""

    def test_a_unit_passes_without_waiting_for_a_reset(self):
        work = tempfile.mkdtemp(prefix="station-fru-")
        self.addCleanup(shutil.rmtree, work, True)
        image = os.path.join(work, "stick.img")
        make_stick(image, "WRITEFRU")
        zeros = os.path.join(work, "zeros.fru")
        with open(zeros, "wb") as handle:
            handle.write(bytes(1024))
        # The run ends at the written line rather than the upload's Done.
        steps = STATION_ANSWERS[:-1] + [(b" bytes written\r\n", None), (b"PPPPPP", None)]
        console, arrived = run_stick(work, image, steps, verify_tests.kcs_bmc_serving(zeros))
        timings = station_timings(arrived)
        print(console[console.find("Scan BSN"):])
        print("WRITEFRU: boot %.1f s, prompts %.1f s, run %.1f s, verification %.1f s; "
              "banner %.1f s after QEMU start" % (timings + (sum(timings),)))
        fru = window_agent.fru_from_sku(stick_file(image, "SKU.BIN"))
        for expected in ["Scan MainMAC: 021B2C3D4E5F",
                         "(mysku.xml.gz and the MAC addresses are not sent this way)\r\n"
                         "FRU device 0: %d of %d bytes written\r\n"
                         "Verify: the BMC's FRU matches SKU.BIN (%d bytes)\r\n"
                         % (len(fru), len(fru), len(fru)), "Status 0x0"]:
            self.assertIn(expected, console)
        self.assertNotIn("Share memory", console)
        lines = stick_file(image, "units.log").split(b"\n")
        record = json.loads(lines[0])
        self.assertEqual((len(lines), record["status"], record["sent"], record["verification"]),
                         (2, 0, "fru", "match"))
        self.assertEqual(record["values"], STATION_VALUES)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--images", required=True)
    parser.add_argument("--host-bin", default=system_tests.HOST_BIN)
    parser.add_argument("--oem-module", default=system_tests.OEM_MODULE)
    arguments, rest = parser.parse_known_args()
    IMAGES[0] = os.path.abspath(arguments.images)
    system_tests.HOST_BIN = os.path.abspath(arguments.host_bin)
    if arguments.oem_module:
        system_tests.OEM_MODULE = os.path.abspath(arguments.oem_module)
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == "__main__":
    main()
