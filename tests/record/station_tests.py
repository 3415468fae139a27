#!/usr/bin/env python3
"""Whole runs of the host pelgrin as a station runs it: values typed at the
ASK= prompts through a pipe, and the LOG= record read back with Python's
json module.

    station_tests.py --pelgrin build/host/pelgrin [unittest args]
"""

import argparse
import datetime
import hashlib
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
EXAMPLE_SKU = os.path.join(SOURCE_DIR, "examples", "SKU.xml")
CLOCK = 1765000000
PELGRIN = [None]
STALE = b"an earlier unit's image"
NOBODY = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]


class Station:
    """A scratch directory holding SKU.xml and an earlier unit's SKU.BIN."""

    def __init__(self):
        self.work = tempfile.mkdtemp(prefix="velsku-station-")
        os.chmod(self.work, 0o777)
        shutil.copy(EXAMPLE_SKU, self.work)
        os.mkdir(self.path("received"))
        self.write("SKU.BIN", STALE)

    def path(self, name):
        return os.path.join(self.work, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as handle:
            handle.write(data)

    def read(self, name):
        with open(self.path(name), "rb") as handle:
            return handle.read()

    def run(self, words, typed=b"", prefix=(), faults=None):
        environment = dict(os.environ, SIM_CLOCK=str(CLOCK),
                           SIM_BMC_RECEIVED_DIR=self.path("received"))
        if faults:
            environment["SIM_FAULTS"] = faults
        result = subprocess.run(list(prefix) + [PELGRIN[0]] + [os.fsdecode(w) for w in words],
                                cwd=self.work, env=environment, input=typed,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
        return result.stdout.decode("utf-8", "replace"), result.returncode

    def records(self):
        return [json.loads(line) for line in self.read("units.log").split(b"\n") if line]

    def cleanup(self):
        shutil.rmtree(self.work)


class Prompts(unittest.TestCase):
    def test_answers_through_a_pipe(self):
        # (case, words, typed, status, lines the output holds, values recorded)
        # A run that ends at a prompt leaves the earlier unit's SKU.BIN alone.
        cases = [
            ("valid", ["ASK=BSN,MainMAC"], b"B1\n021B2C3D4E5F\n", 0,
             ["Scan BSN: B1", "Scan MainMAC: 021B2C3D4E5F"],
             {"BSN": "B1", "MainMAC": "021B2C3D4E5F"}),
            ("CR LF and backspace", ["ASK=BSN,PSN"], b"BX\x08Z\r\nP\x7f\x7fQ9\r\n", 0,
             ["Scan BSN: BX\b \bZ", "Scan PSN: P\b \bQ9"], {"BSN": "BZ", "PSN": "Q9"}),
            ("refused then valid", ["ASK=MainMAC"],
             b"00:11:22:33:44:55\n0011223344\x01\n021B2C3D4E5F\n", 0,
             ["Error! MainMAC must be 12 hexadecimal digits",
              "Error! The MainMAC value holds control character 0x01 at position 11"],
             {"MainMAC": "021B2C3D4E5F"}),
            ("serial number rules", ["ASK=BSN"], b"B" * 64 + b"\n~\n\xff\n", 3,
             ["Error! The BSN value is longer than 63 bytes",
              "Error! The BSN value is one character outside 0x20-0x5F, which a FRU field "
              "cannot hold",
              "Error! The BSN value is one character outside 0x20-0x5F, which a FRU field "
              "cannot hold"], {}),
            ("MAC rules at the prompt", ["ASK=MainMAC,ShareMAC"],
             b"000000000000\n021B2C3D4E5F\n021b2c3d4e5f\n021B2C3D4E60\n", 0,
             ["Error! MainMAC 000000000000 is all zeros", "Error! ShareMAC equals MainMAC"],
             {"MainMAC": "021B2C3D4E5F", "ShareMAC": "021B2C3D4E60"}),
            ("three refusals", ["ASK=ShareMAC"], b"1\n2\n3\n021B2C3D4E60\n", 3,
             ["Error! ShareMAC must be 12 hexadecimal digits"] * 3, {}),
            ("too long for the line", ["ASK=PSN"], b"P" * 300 + b"\n\x1b", 6,
             ["Error! The scanned PSN is longer than 255 bytes"], {}),
            ("Esc", ["ASK=BSN,PSN"], b"B1\nP\x1b", 6,
             ["No PSN scanned: stopped before any output file was touched"], {"BSN": "B1"}),
            ("end of input", ["ASK=BSN"], b"B1", 6,
             ["No BSN scanned: stopped before any output file was touched"], {}),
            ("Tab and space suffixes", ["ASK=BSN,PSN,MainMAC"],
             b"BS0002 \nPS0002\t\n\t 021B2C3D4E5F \t\n", 0,
             ["Scan BSN: BS0002 ", "Scan PSN: PS0002\t"],
             {"BSN": "BS0002", "PSN": "PS0002", "MainMAC": "021B2C3D4E5F"}),
            ("CR LF after a Tab", ["ASK=BSN,PSN"], b"BS0003\t\r\nPS0003\r\n", 0,
             ["Scan BSN: BS0003\t", "Scan PSN: PS0003"], {"BSN": "BS0003", "PSN": "PS0003"}),
            ("empty answers", ["ASK=BSN"], b"\n \t\nBS0004\n", 0,
             ["Error! The scanned BSN is empty"] * 2, {"BSN": "BS0004"}),
            ("blank inside kept, control character refused", ["ASK=PSN"],
             b"PS\x010005\nPS 0005\n", 0,
             ["Error! The PSN value holds control character 0x01 at position 3"],
             {"PSN": "PS 0005"}),
            ("given on the command line", ["ASK=BSN,PSN", "PSN=P7"], b"B2\n", 0,
             ["Scan BSN: B2"], {"BSN": "B2", "PSN": "P7"}),
            ("unknown keyword", ["ASK=BSN,Serial"], b"B1\n", 3,
             ["Error! ASK= names Serial, which is not a value keyword"], {}),
        ]
        for name, words, typed, status, lines, values in cases:
            with self.subTest(name):
                station = Station()
                try:
                    output, returned = station.run(words + ["DSBSHM", "LOG=units.log"], typed)
                    self.assertEqual(returned, status, output)
                    for line in lines:
                        self.assertEqual(output.count(line + "\n"), lines.count(line), line)
                    self.assertEqual(output.count("Error!"), len(lines) if "Error" in lines[0]
                                     else 0)
                    self.assertEqual(station.read("SKU.BIN") != STALE, status == 0)
                    record = station.records()[0]
                    self.assertEqual(record["status"], status)
                    self.assertEqual(record["values"], values)
                finally:
                    station.cleanup()


# The simulated BMC keeps the FRU of the last SKU.BIN it received: the unit
# an earlier run (its words) sent, and the verification line that shows it.
BOARD_FROM_EARLIER_RUN = {
    "another unit's FRU on the board": (
        ["BSN=B0"], 'Verify: board serial number: BMC holds "B0", SKU.BIN has "B1"'),
    "this unit's FRU on the board": (
        ["BSN=B1"], "Verify: the BMC's FRU matches SKU.BIN (184 bytes, manufacturing date not "
        "compared)"),
}


class Record(unittest.TestCase):
    def file_entry(self, station, name):
        data = station.read(name)
        return {"sha256": hashlib.sha256(data).hexdigest(), "size": len(data)}

    def test_every_field(self):
        iso = datetime.datetime.fromtimestamp(CLOCK, datetime.timezone.utc).strftime(
            "%Y-%m-%dT%H:%M:%SZ")
        quoted = "Q\"\\\x01\u00e9"
        # (case, words, SIM_FAULTS, typed, status, values, Board ID, SKU.xml read, SKU.BIN
        # this run's, sent, verification, error, changed fields)
        # A run refused before it read SKU.xml records no digest of it.
        cases = [
            ("kept on the stick", ["BSN=B1", "DSBSHM"], None, b"", 0, {"BSN": "B1"},
             "TN4MB-0420", True, True, False, "not run", None, {}),
            ("sent to the BMC", ["BSN=B1", "MainMAC=021B2C3D4E5F"], None, b"", 0,
             {"BSN": "B1", "MainMAC": "021B2C3D4E5F"}, "TN4MB-0420", True, True, "window",
             "not run", None, {}),
            ("verified", ["BSN=B1", "VERIFY"], None, b"", 0, {"BSN": "B1"}, "TN4MB-0420", True,
             True, "window", "match", None, {}),
            ("written as the FRU", ["BSN=B1", "WRITEFRU", "VERIFY"], None, b"", 0, {"BSN": "B1"},
             "TN4MB-0420", True, True, "fru", "match", None, {}),
            ("another unit's FRU on the board", ["BSN=B1", "VERIFY", "DSBSHM"], None, b"", 8,
             {"BSN": "B1"}, "TN4MB-0420", True, True, False, "mismatch",
             BOARD_FROM_EARLIER_RUN["another unit's FRU on the board"][1], {}),
            ("this unit's FRU on the board", ["BSN=B1", "VERIFY", "DSBSHM"], None, b"", 0,
             {"BSN": "B1"}, "TN4MB-0420", True, True, False, "match", None, {}),
            ("refused value escaped", ["BSN=B1", "PPN=" + quoted, "DSBSHM"], None, b"", 3,
             {"BSN": "B1", "PPN": quoted}, None, False, False, False, "not run",
             "Error! The PPN value holds control character 0x01 at position 4", {}),
            ("refused MAC", ["MainMAC=12", "DSBSHM"], None, b"", 3, {"MainMAC": "12"}, None,
             False, False, False, "not run", "Error! MainMAC must be 12 hexadecimal digits", {}),
            ("stopped at a prompt", ["ASK=PSN", "BSN=B1"], None, b"", 6, {"BSN": "B1"}, None,
             False, False, False, "not run",
             "No PSN scanned: stopped before any output file was touched", {}),
            ("no SKU.xml, after a scan refused", ["ASK=MainMAC", "BSN=B1"],
             lambda station: os.remove(station.path("SKU.xml")), b"12\n021B2C3D4E5F\n", 254,
             {"BSN": "B1", "MainMAC": "021B2C3D4E5F"}, None, False, False, False, "not run",
             "SKU.xml: No Such File or Directory!", {"refused_scans": 1, "status": -2}),
            ("scans refused, then passed", ["ASK=MainMAC", "BSN=B1", "DSBSHM"], None,
             b"12\n0\n021B2C3D4E5F\n", 0, {"BSN": "B1", "MainMAC": "021B2C3D4E5F"},
             "TN4MB-0420", True, True, False, "not run", None, {"refused_scans": 2}),
            ("clock of no known zone", ["BSN=B1", "DSBSHM", "STICK=5A17C0DE"],
             "clock-zone-unspecified", b"", 0, {"BSN": "B1"}, "TN4MB-0420", True, True, False,
             "not run", None, {"time": iso[:-1], "time_zone": "unspecified",
                               "stick": "5A17C0DE"}),
        ]
        for (name, words, faults, typed, status, values, board, read, image, sent, verification,
             error, changed) in cases:
            with self.subTest(name):
                station = Station()
                try:
                    earlier = BOARD_FROM_EARLIER_RUN.get(name)
                    if earlier:
                        station.run(earlier[0])
                    if callable(faults):
                        faults = faults(station)
                    output, returned = station.run(words + ["LOG=units.log"], typed,
                                                   faults=faults)
                    self.assertEqual(returned, status, output)
                    if earlier:
                        self.assertIn(earlier[1] + "\n", output)
                    records = station.records()
                    self.assertEqual(len(records), 1)
                    expected = {
                        "time": iso, "time_zone": "UTC", "tool": "pelgrin", "version": "0.22",
                        "status": status, "values": values, "Board ID": board,
                        "SKU.xml": self.file_entry(station, "SKU.xml") if read else None,
                        "SKU.BIN": self.file_entry(station, "SKU.BIN") if image else None,
                        "sent": sent, "verification": verification, "error": error,
                        "refused_scans": 0, "rework": False, "stick": None}
                    expected.update(changed)
                    self.assertEqual(records[0], expected)
                finally:
                    station.cleanup()

    def test_bytes_that_are_not_utf8_are_escaped(self):
        station = Station()
        try:
            station.run([b"BSN=\xff\xc3\xa9\xed\xa0\x80", "DSBSHM", "LOG=units.log"])
            raw = station.read("units.log")
            self.assertIn(b'"BSN":"\\u00FF\xc3\xa9\\u00ED\\u00A0\\u0080"', raw)
            raw.decode("utf-8")
            self.assertEqual(station.records()[0]["values"]["BSN"], "\u00ff\u00e9\u00ed\u00a0\u0080")
        finally:
            station.cleanup()

    def test_runs_append_and_a_partial_line_stays_apart(self):
        station = Station()
        try:
            station.run(["BSN=B1", "DSBSHM", "LOG=units.log"])
            station.write("units.log", station.read("units.log") + b'{"time":"2025-')
            station.run(["BSN=B2", "DSBSHM", "LOG=units.log"])
            station.run(["help", "LOG=units.log"])
            station.run(["DSBSHM", "LOG=units.log"])
            lines = station.read("units.log").split(b"\n")
            self.assertEqual(lines[1], b'{"time":"2025-')
            self.assertEqual(lines[-1], b"")
            kept = [json.loads(lines[0]), json.loads(lines[2])]
            self.assertEqual([r["values"]["BSN"] for r in kept], ["B1", "B2"])
            self.assertEqual(len(lines), 4)
        finally:
            station.cleanup()

    def test_a_unit_without_its_record_fails(self):
        # (case, LOG= word, run as, SIM_FAULTS, checked before the unit, the line's end)
        # Refused before the unit: nothing written and SKU.BIN left alone.
        # Refused at the end: the unit ran, its record did not go out.
        cases = [
            ("directory", "LOG=received", (), None, True, ": Is a directory"),
            ("missing folder", "LOG=no/units.log", (), None, True,
             ": No such file or directory"),
            ("volume nearly full", "LOG=units.log", (), "log-free=65535", True,
             ": 65535 bytes free, 65536 needed"),
            ("device that takes no byte", "LOG=/dev/full", (), None, False, ""),
        ]
        if shutil.which("setpriv"):
            cases.append(("read-only file", "LOG=units.log", NOBODY, None, True,
                          ": Permission denied"))
        for name, word, prefix, faults, before, end in cases:
            with self.subTest(name):
                station = Station()
                try:
                    station.write("units.log", b"")
                    os.chmod(station.path("units.log"), 0o444)
                    os.chmod(station.path("SKU.BIN"), 0o666)
                    output, status = station.run(["BSN=B1", "DSBSHM", word], prefix=prefix,
                                                 faults=faults)
                    self.assertEqual(status, 14, output)
                    self.assertEqual(output.count("Error!"), 1, output)
                    wording = "cannot be written to" if before else "could not be written to"
                    self.assertIn("Error! The unit's record %s %s%s\n" % (
                        wording, word[4:], end), output)
                    self.assertEqual(station.read("SKU.BIN") == STALE, before)
                    self.assertEqual(station.read("units.log"), b"")
                finally:
                    station.cleanup()


class Identity(unittest.TestCase):
    FIRST = ["MainMAC=021B2C3D4E5F", "ShareMAC=021B2C3D4E60", "BSN=B1", "PSN=P1"]

    def test_no_identity_given_twice(self):
        # (case, earlier runs' words and their statuses, this unit's words, status,
        # the refusal, rework)
        first = (self.FIRST, 0)
        cases = [
            ("another unit", [first], ["MainMAC=021B2C3D4E5F", "BSN=B2"], 12,
             "Error! MainMAC 021B2C3D4E5F was given at 2025-12-06T05:46:40Z to the unit "
             "with BSN B1", False),
            ("a MAC in another case", [first], ["MainMAC=021b2c3d4e5f", "BSN=B2"], 12,
             "Error! MainMAC 021b2c3d4e5f was given at 2025-12-06T05:46:40Z to the unit "
             "with BSN B1", False),
            ("one unit's ShareMAC as another's MainMAC", [first],
             ["MainMAC=021B2C3D4E60", "PSN=P2"], 12,
             "Error! MainMAC 021B2C3D4E60 was given at 2025-12-06T05:46:40Z to the unit "
             "with BSN B1", False),
            ("a BSN again with another MAC", [first],
             ["MainMAC=021B2C3D4E70", "BSN=B1"], 12,
             "Error! BSN B1 was given at 2025-12-06T05:46:40Z to a unit with another MainMAC",
             False),
            ("rework", [first], self.FIRST, 0, None, True),
            ("rework, MAC in another case", [first],
             ["MainMAC=021b2c3d4e5f", "BSN=B1"], 0, None, True),
            ("only a failed unit had it", [(["MainMAC=021B2C3D4E5F", "BSN=B1", "VERIFY"], 8),
                                           (["MainMAC=12", "BSN=B9"], 3)],
             ["MainMAC=021B2C3D4E5F", "BSN=B9"], 0, None, False),
            ("new values", [first], ["MainMAC=021B2C3D4E61", "BSN=B2", "PSN=P2"], 0, None,
             False),
        ]
        for name, earlier, words, status, refusal, rework in cases:
            with self.subTest(name):
                station = Station()
                try:
                    for earlier_words, earlier_status in earlier:
                        self.assertEqual(station.run(earlier_words + [
                            "DSBSHM", "LOG=units.log"])[1], earlier_status)
                    image = station.read("SKU.BIN")
                    output, returned = station.run(words + ["DSBSHM", "LOG=units.log"])
                    self.assertEqual(returned, status, output)
                    record = station.records()[-1]
                    self.assertEqual((record["status"], record["error"], record["rework"]),
                                     (status, refusal, rework))
                    if refusal:
                        self.assertEqual(output.count("Error!"), 1)
                        self.assertIn(refusal + "\n", output)
                        self.assertEqual(station.read("SKU.BIN"), image)
                finally:
                    station.cleanup()

    def test_a_long_log_with_cut_and_foreign_lines(self):
        station = Station()
        try:
            station.run(self.FIRST + ["DSBSHM", "LOG=units.log"])
            passed = station.read("units.log")
            noise = (b'{"time":"2025-\n' + b"x" * 70000 + b"\n" + b"[1,2]\n" +
                     b'{"status":0,"values":{"BSN":"B\\u0031"},"extra":[{"a":[1]}]}\n')
            # A line too long for any record of ours is passed over whole, even
            # where its tail looks like one.
            overlong = b"x" * 65536 + (b'{"status":0,"time":"1999-01-01T00:00:00Z",'
                                       b'"values":{"BSN":"B1","PSN":"P9"}}\n')
            station.write("units.log", overlong + noise * 3 + passed + noise)
            output, status = station.run(["BSN=B1", "PSN=P7", "DSBSHM", "LOG=units.log"])
            self.assertEqual(status, 12, output)
            self.assertIn("Error! BSN B1 was given at 2025-12-06T05:46:40Z to a unit with "
                          "another PSN\n", output)
        finally:
            station.cleanup()


class StickDigest(unittest.TestCase):
    def test_the_digest_word(self):
        digest = hashlib.sha256(open(EXAMPLE_SKU, "rb").read()).hexdigest()
        other = hashlib.sha256(b"another SKU.xml").hexdigest()
        # (case, SKUSHA256= value, SKU.xml changed, status, the line)
        cases = [
            ("this SKU.xml", digest, False, 0, None),
            ("in capitals", digest.upper(), False, 0, None),
            ("another SKU.xml", other, False, 15,
             "Error! SKU.xml has SHA-256 %s..., not the %s... this stick was made for" % (
                 digest[:12], other[:12])),
            ("SKU.xml changed on the stick", digest, True, 15,
             "Error! SKU.xml has SHA-256 %s..., not the %s... this stick was made for" % (
                 hashlib.sha256(open(EXAMPLE_SKU, "rb").read() + b"\n").hexdigest()[:12],
                 digest[:12])),
            ("too short", digest[:63], False, 3,
             "Error! SKUSHA256= must be 64 hexadecimal digits"),
            ("not hexadecimal", digest[:63] + "g", False, 3,
             "Error! SKUSHA256= must be 64 hexadecimal digits"),
        ]
        for name, given, changed, status, line in cases:
            with self.subTest(name):
                station = Station()
                try:
                    if changed:
                        station.write("SKU.xml", station.read("SKU.xml") + b"\n")
                    output, returned = station.run(["BSN=B1", "DSBSHM", "SKUSHA256=" + given,
                                                    "LOG=units.log"])
                    self.assertEqual(returned, status, output)
                    self.assertEqual(output.count("Error!"), 0 if line is None else 1, output)
                    if line:
                        self.assertIn(line + "\n", output)
                    self.assertEqual(station.read("SKU.BIN") == STALE, status != 0)
                    self.assertEqual(station.records()[0]["error"], line)
                finally:
                    station.cleanup()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pelgrin", required=True)
    arguments, rest = parser.parse_known_args()
    PELGRIN[0] = os.path.abspath(arguments.pelgrin)
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == "__main__":
    main()
