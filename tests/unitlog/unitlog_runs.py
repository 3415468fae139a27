#!/usr/bin/env python3
"""Whole runs of unitlog against both back ends: an SQLite file, and a
private PostgreSQL cluster started for these tests in a temporary directory
as the unprivileged user nobody (the server refuses root), on a Unix socket
there, and stopped at the end whatever happened.

    unitlog_runs.py --unitlog build/host/unitlog [unittest args]
"""

import argparse
import csv
import glob
import hashlib
import io
import json
import os
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time
import unittest

UNITLOG = [None]
# Debian 12's server; a later Debian's when that is what is installed.
POSTGRES_BIN = max(glob.glob("/usr/lib/postgresql/*/bin"),
                   key=lambda path: int(path.split("/")[-2]), default="/usr/lib/postgresql/15/bin")
# The server refuses to run as root; any other user runs it as itself.
NOBODY = (["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
          if os.geteuid() == 0 else [])
SERVER = [None]


REAPER = """
import shutil, subprocess, sys
pg_ctl, data, home, nobody = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
sys.stdin.read()
subprocess.run(nobody + [pg_ctl, "-D", data, "-m", "immediate", "-w", "-t", "30", "stop"],
               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
shutil.rmtree(home, ignore_errors=True)
"""


class PostgresCluster:
    """initdb + pg_ctl as nobody; every database a test asks for is new."""

    def __init__(self):
        if not os.path.exists(os.path.join(POSTGRES_BIN, "initdb")):
            raise RuntimeError("no PostgreSQL server in %s: run scripts/install-deps"
                               % POSTGRES_BIN)
        self.home = tempfile.mkdtemp(prefix="unitlog-pg-")
        if NOBODY:
            os.chown(self.home, 65534, 65534)
        self.data = os.path.join(self.home, "data")
        self.databases = 0
        self.reaper = None

    def as_nobody(self, *words):
        subprocess.run(NOBODY + [os.path.join(POSTGRES_BIN, words[0])] + list(words[1:]),
                       cwd=self.home, check=True, timeout=120,
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT)

    def start(self):
        # The reaper stops the server and removes the directory when this
        # process ends, even killed by ctest's timeout: its standard input
        # closes then. Its own session keeps it out of a kill of our group.
        self.reaper = subprocess.Popen(
            [sys.executable, "-c", REAPER, os.path.join(POSTGRES_BIN, "pg_ctl"), self.data,
             self.home] + NOBODY, stdin=subprocess.PIPE, start_new_session=True)
        self.as_nobody("initdb", "-D", self.data, "-A", "trust", "-U", "unitlog",
                       "--locale=C", "-E", "UTF8", "--no-sync")
        self.as_nobody("pg_ctl", "-D", self.data, "-l", os.path.join(self.home, "server.log"),
                       "-w", "-t", "60", "start",
                       "-o", "-k %s -c listen_addresses='' -F" % self.home)

    def stop(self):
        self.reaper.stdin.close()
        self.reaper.wait(timeout=90)

    def url(self, database):
        return "postgresql:///%s?host=%s&user=unitlog" % (database, self.home)

    def new_database(self):
        self.databases += 1
        name = "shift%d" % self.databases
        subprocess.run([os.path.join(POSTGRES_BIN, "createdb"), "-h", self.home,
                        "-U", "unitlog", name], check=True, timeout=60)
        return self.url(name)


def record(time_text, status, values, sent=True, verification="match", **more):
    fields = {"time": time_text, "tool": "pelgrin", "version": "0.22", "status": status,
              "values": values, "Board ID": "TN4MB-0420",
              "SKU.xml": {"sha256": "2623fa", "size": 1885}, "SKU.BIN": None,
              "sent": sent, "verification": verification,
              "error": None if status == 0 else "Error! failed"}
    fields.update(more)
    return json.dumps(fields, separators=(",", ":"), ensure_ascii=False)


def unit_lines(count, prefix, day="2026-12-08"):
    """`count` passing units, each with its own MAC and serial numbers."""
    return [record("%sT%02d:%02d:%02dZ" % (day, n // 3600 % 24, n // 60 % 60, n % 60), 0,
                   {"MainMAC": "02%s%06X" % (prefix, n), "BSN": "B%s%d" % (prefix, n),
                    "PSN": "P%s%d" % (prefix, n)})
            for n in range(count)]


class BackEnd:
    """A fresh database per test on one back end, and unitlog runs on it."""

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="unitlog-runs-")
        self.db = self.new_database()

    def tearDown(self):
        shutil.rmtree(self.work, ignore_errors=True)

    def write(self, name, lines, ending="\n"):
        path = os.path.join(self.work, name)
        with open(path, "wb") as handle:
            handle.write("".join(line + ending for line in lines).encode("utf-8"))
        return path

    def run_unitlog(self, *words):
        result = subprocess.run([UNITLOG[0]] + list(words), stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, timeout=120)
        return (result.returncode, result.stdout.decode("utf-8"),
                result.stderr.decode("utf-8"))

    def rows(self):
        status, out, err = self.run_unitlog("csv", self.db)
        self.assertEqual(status, 0, err)
        return list(csv.DictReader(io.StringIO(out, newline="")))

    def test_a_line_imported_twice_is_one_row(self):
        lines = unit_lines(3, "A")
        first = self.write("units.log", lines)
        copy = self.write("copy.log", lines[1:], ending="\r\n")
        self.assertEqual(self.run_unitlog("import", self.db, first)[:2],
                         (0, "3 lines read: 3 new, 0 already in the database, 0 not parsed\n"))
        self.assertEqual(self.run_unitlog("import", self.db, first, copy)[:2],
                         (0, "5 lines read: 0 new, 5 already in the database, 0 not parsed\n"))
        self.assertEqual(sorted(row["bsn"] for row in self.rows()), ["BA0", "BA1", "BA2"])

    def test_lines_that_do_not_parse_are_reported_and_passed_over(self):
        good = unit_lines(2, "B")
        path = self.write("units.log", [good[0], good[1][:40], "", "[1,2]", good[1]])
        status, out, err = self.run_unitlog("import", self.db, path)
        self.assertEqual(status, 0)
        self.assertEqual(out, "5 lines read: 2 new, 0 already in the database, 3 not parsed\n")
        self.assertEqual(err.splitlines(), [
            "Warning! %s:2: not a record (unterminated string at byte 41)" % path,
            "Warning! %s:3: not a record (unexpected end at byte 1)" % path,
            "Warning! %s:4: not a record (not a JSON object at byte 1)" % path])
        self.assertEqual([(row["source_line"], row["bsn"]) for row in self.rows()],
                         [("1", "BB0"), ("5", "BB1")])

    def test_csv_holds_each_field_as_the_station_wrote_it(self):
        tricky = 'B1, "quoted"\nsecond line \u00e9'
        line = record("2026-12-08T20:41:07", 14, {"MainMAC": "021b2c3d4e5f", "BSN": tricky},
                      sent="fru", verification="not run", time_zone="unspecified",
                      refused_scans=2, rework=True, stick_id="5F2A", later={"a": [1, 2]})
        self.run_unitlog("import", self.db, self.write("units.log", [line]))
        (row,) = self.rows()
        expected = {"time": "2026-12-08T20:41:07", "time_zone": "unspecified", "status": "14",
                    "main_mac": "021b2c3d4e5f", "bsn": tricky, "share_mac": "",
                    "sku_xml_sha256": "2623fa", "sku_xml_size": "1885", "sku_bin_sha256": "",
                    "sent": "fru", "verification": "not run", "error": "Error! failed",
                    "refused_scans": "2", "rework": "true", "stick_id": "5F2A",
                    "extra": '{"later":{"a":[1,2]}}',
                    "line_sha256": hashlib.sha256(line.encode()).hexdigest()}
        self.assertEqual({key: row[key] for key in expected}, expected)

    def test_dups_names_the_value_its_units_and_their_times(self):
        lines = [record("2026-12-08T08:00:00Z", 0, {"MainMAC": "021B2C3D4E5F", "BSN": "B1"}),
                 record("2026-12-08T09:00:00Z", 0, {"MainMAC": "021b2c3d4e5f", "BSN": "B1"}),
                 record("2026-12-08T10:00:00Z", 0, {"MainMAC": "021b2c3d4e5f", "BSN": "B2"}),
                 record("2026-12-08T11:00:00Z", 12, {"MainMAC": "021B2C3D4E60", "BSN": "B1"},
                        sent=False, verification="not run")]
        self.run_unitlog("import", self.db, self.write("a.log", lines[:2]))
        self.assertEqual(self.run_unitlog("dups", self.db)[:2],
                         (0, "No value was given to more than one unit (2 records)\n"))
        self.run_unitlog("import", self.db, self.write("b.log", lines[2:]))
        self.assertEqual(self.run_unitlog("dups", self.db)[:2], (1, (
            "MAC 021B2C3D4E5F given to 2 units: MainMAC=021B2C3D4E5F BSN=B1 at "
            "2026-12-08T08:00:00Z, 2026-12-08T09:00:00Z; MainMAC=021B2C3D4E5F BSN=B2 at "
            "2026-12-08T10:00:00Z\n")))

    def test_summary_counts_units_per_day_and_status_and_verdicts(self):
        lines = [record("2026-12-08T08:00:00Z", 8, {"BSN": "B1"}, verification="mismatch"),
                 record("2026-12-08T09:00:00Z", 0, {"BSN": "B1"}),
                 record("2026-12-08T10:00:00Z", 0, {"BSN": "B2"}),
                 record("2026-12-08T10:30:00Z", 0, {"BSN": "B2"}),
                 record("2026-12-09T07:00:00Z", 6, {}, verification="not run"),
                 record("2026-12-09T07:01:00Z", 6, {}, verification="not run"),
                 record("2026-12-09T08:00:00Z", 12, {"BSN": "B2"}, sent=False,
                        verification="not run")]
        self.run_unitlog("import", self.db, self.write("units.log", lines))
        self.assertEqual(self.run_unitlog("summary", self.db)[:2], (0, "\n".join([
            "day         status   units  records",
            "2026-12-08       0       2        3",
            "2026-12-08       8       1        1",
            "2026-12-09       6       2        2",
            "2026-12-09      12       1        1",
            "",
            "verification    PASS    FAIL",
            "match              3       0",
            "mismatch           0       1",
            "not run            0       3",
            ""])))

    def test_refusals_end_with_their_own_status(self):
        good = self.write("units.log", unit_lines(1, "C"))
        missing = os.path.join(self.work, "missing.log")
        rows = [(("import", self.db), 2, "Error! import takes DB and at least one FILE"),
                (("dups", self.db, good), 2, "Error! dups takes DB alone"),
                (("merge", self.db), 2, 'Error! unknown command "merge"'),
                ((), 2, "Error! no command"),
                (("import", self.db, good, missing), 5, "Error! cannot read %s" % missing),
                (("import", self.db, self.work), 5, "Error! cannot read %s" % self.work),
                (("summary", self.unreachable()), 3, "Error! "),
                (("csv", self.db), 4, "Error! ")]
        for words, status, start in rows:
            code, out, err = self.run_unitlog(*words)
            self.assertEqual((code, out, err.count("\n")), (status, "", 1), words)
            self.assertTrue(err.startswith(start), (words, err))
            self.assertNotIn("secret", err)
        # Nothing was imported by the refused runs: the last row found no table.
        self.assertEqual(self.run_unitlog("import", self.db, good)[1],
                         "1 lines read: 1 new, 0 already in the database, 0 not parsed\n")

    def test_two_imports_at_once_lose_nothing(self):
        # UNITLOG_IMPORT_LINES=50000 for a measurement: each stick's own lines.
        own = int(os.environ.get("UNITLOG_IMPORT_LINES", "3000"))
        first = unit_lines(own, "D")
        second = unit_lines(own, "E")
        shared = unit_lines(own // 3, "F")
        files = [self.write("stick1.log", first + shared), self.write("stick2.log", shared + second)]
        self.run_unitlog("import", self.db, self.write("empty.log", []))
        began = time.monotonic()
        runs = [subprocess.Popen([UNITLOG[0], "import", self.db, path], stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE) for path in files]
        outputs = [run.communicate(timeout=240) for run in runs]
        elapsed = time.monotonic() - began
        counts = []
        for run, (out, err) in zip(runs, outputs):
            self.assertEqual((run.returncode, err), (0, b""))
            words = out.decode().replace(",", "").split()
            counts.append((int(words[0]), int(words[3]), int(words[5])))
        self.assertEqual([lines for lines, _, _ in counts], [own + len(shared)] * 2)
        self.assertEqual(sum(new for _, new, _ in counts), 2 * own + len(shared))
        self.assertEqual(sum(present for _, _, present in counts), len(shared))
        self.assertEqual(sorted(row["bsn"] for row in self.rows()),
                         sorted(json.loads(line)["values"]["BSN"]
                                for line in first + shared + second))
        sys.stderr.write("\n%s: two imports of %d lines (%d shared) at once: %.2f s, "
                         "new %s\n" % (type(self).__name__, own + len(shared), len(shared),
                                       elapsed, [new for _, new, _ in counts]))


class SqliteBackEnd(BackEnd, unittest.TestCase):
    def new_database(self):
        return os.path.join(self.work, "shift.sqlite")

    def unreachable(self):
        return os.path.join(self.work, "no-such-dir", "shift.sqlite")

    def test_a_file_of_another_kind_is_not_overwritten(self):
        other = self.write("notes.txt", ["not a database"])
        code, _, err = self.run_unitlog("import", other, self.write("u.log", unit_lines(1, "G")))
        self.assertEqual(code, 3, err)
        with open(other, "rb") as handle:
            self.assertEqual(handle.read(), b"not a database\n")

    def test_the_table_is_plain_sql(self):
        self.run_unitlog("import", self.db, self.write("u.log", unit_lines(2, "H")))
        with sqlite3.connect(self.db) as connection:
            self.assertEqual(connection.execute(
                "SELECT count(*), min(bsn), max(status) FROM unit_records").fetchone(),
                (2, "BH0", 0))


class PostgresBackEnd(BackEnd, unittest.TestCase):
    def new_database(self):
        return SERVER[0].new_database()

    def unreachable(self):
        return "postgresql://unitlog:secret@/shift?host=%s&password=secret" % self.work


def stop_server(*_):
    if SERVER[0] is not None and SERVER[0].reaper is not None:
        SERVER[0].stop()
    sys.exit(1)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--unitlog", required=True)
    options, rest = parser.parse_known_args()
    UNITLOG[0] = os.path.abspath(options.unitlog)
    signal.signal(signal.SIGTERM, stop_server)
    signal.signal(signal.SIGINT, stop_server)
    SERVER[0] = PostgresCluster()
    try:
        SERVER[0].start()
        program = unittest.main(argv=[sys.argv[0]] + rest, exit=False)
    finally:
        if SERVER[0].reaper is not None:
            SERVER[0].stop()
    sys.exit(0 if program.result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
