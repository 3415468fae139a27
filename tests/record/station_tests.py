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

    def run(self, words, typed=b"", prefix=()):
        environment = dict(os.environ, SIM_CLOCK=str(CLOCK),
                           SIM_BMC_RECEIVED_DIR=self.path("received"))
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
        # (case, words, status, values, Board ID, SKU.BIN this run's, sent, verification, error)
        cases = [
            ("kept on the stick", ["BSN=B1", "DSBSHM"], 0, {"BSN": "B1"}, "TN4MB-0420",
             True, False, "not run", None),
            ("sent to the BMC", ["BSN=B1", "MainMAC=021B2C3D4E5F"], 0,
             {"BSN": "B1", "MainMAC": "021B2C3D4E5F"}, "TN4MB-0420", True, "window", "not run",
             None),
            ("verified", ["BSN=B1", "VERIFY"], 0, {"BSN": "B1"}, "TN4MB-0420", True, "window",
             "match", None),
            ("written as the FRU", ["BSN=B1", "WRITEFRU", "VERIFY"], 0, {"BSN": "B1"},
             "TN4MB-0420", True, "fru", "match", None),
            ("another unit's FRU on the board", ["BSN=B1", "VERIFY", "DSBSHM"], 8,
             {"BSN": "B1"}, "TN4MB-0420", True, False, "mismatch", None),
            ("this unit's FRU on the board", ["BSN=B1", "VERIFY", "DSBSHM"], 0,
             {"BSN": "B1"}, "TN4MB-0420", True, False, "match", None),
            ("refused value escaped", ["BSN=B1", "PPN=" + quoted, "DSBSHM"], 3,
             {"BSN": "B1", "PPN": quoted}, None, False, False, "not run",
             "Error! The PPN value holds control character 0x01 at position 4"),
            ("refused MAC", ["MainMAC=12", "DSBSHM"], 3, {"MainMAC": "12"}, None, False,
             False, "not run", "Error! MainMAC must be 12 hexadecimal digits"),
            ("stopped at a prompt", ["ASK=PSN", "BSN=B1"], 6, {"BSN": "B1"}, None, False,
             False, "not run", None),
        ]
        for name, words, status, values, board, image, sent, verification, error in cases:
            with self.subTest(name):
                station = Station()
                try:
                    earlier = BOARD_FROM_EARLIER_RUN.get(name)
                    if earlier:
                        station.run(earlier[0])
                    output, returned = station.run(words + ["LOG=units.log"])
                    self.assertEqual(returned, status, output)
                    if earlier:
                        self.assertIn(earlier[1] + "\n", output)
                    records = station.records()
                    self.assertEqual(len(records), 1)
                    self.assertEqual(records[0], {
                        "time": iso, "tool": "pelgrin", "version": "0.22", "status": status,
                        "values": values, "Board ID": board,
                        "SKU.xml": self.file_entry(station, "SKU.xml"),
                        "SKU.BIN": self.file_entry(station, "SKU.BIN") if image else None,
                        "sent": sent, "verification": verification, "error": error})
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

    def test_a_record_that_cannot_be_written_leaves_the_status(self):
        cases = [("directory", "LOG=received", ()), ("missing folder", "LOG=no/units.log", ())]
        if shutil.which("setpriv"):
            cases.append(("read-only file", "LOG=units.log", NOBODY))
        for name, word, prefix in cases:
            with self.subTest(name):
                station = Station()
                try:
                    station.write("units.log", b"")
                    os.chmod(station.path("units.log"), 0o444)
                    os.chmod(station.path("SKU.BIN"), 0o666)
                    output, status = station.run(["BSN=B1", "DSBSHM", word], prefix=prefix)
                    self.assertEqual(status, 0, output)
                    self.assertEqual(output.count("Warning! The record could not be written to "
                                                  + word[4:] + "\n"), 1)
                    self.assertEqual(station.read("units.log"), b"")
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
