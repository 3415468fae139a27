#!/usr/bin/env python3
"""Plays the BMC's side of pelgrin's PCI window in a QEMU machine.

It finds the window's BAR through QMP (query-pci), reaches guest physical
memory through QEMU's gdbstub, waits for the upload's command word, takes a
copy of the data window (SKU.BIN lies there), clears the word (the doorbell
is taken), and writes the FRU image from that SKU.BIN into the file that
ipmi_sim serves as FRU device 0. See README.md next to it for what it can and
cannot model.

    window_agent.py --qmp QMP-SOCKET --gdb PORT --fru-file PATH \
        [--capture PATH] [--alter-board-serial | --lengthen-board-serial]
        [--timeout SECONDS]

Usable as a module (WindowAgent, fru_from_sku, alter_board_serial,
lengthen_board_serial).
"""

import argparse
import json
import os
import socket
import sys
import threading
import time

# Where the upload puts things, counted from the window's BAR. The command
# records and the data share the window's first 64 KB here, as VRAM does not
# follow the base register.
WINDOW_DATA = 0x10000
WINDOW_SIZE = 0x10000
UPLOAD_COMMAND_WORD = WINDOW_DATA + 0x2200
DOORBELL_RUNG = 1
WINDOW_BAR_INDEX = 1
PCI_CLASS_DISPLAY_VGA = 0x0300
# query-pci shows a BAR the firmware has not placed yet as -1.
BAR_UNASSIGNED = (0, -1, 0xFFFFFFFFFFFFFFFF)

SKU_MAKER = b"KORVALEN"
SKU_SIZE_OFFSET = 0x009
SKU_DIRECTORY_OFFSET = 0x0A0
SKU_ENTRY_COUNT = 3
SKU_ENTRY_SIZE = 32
SKU_ENTRY_NAME_SIZE = 24
SKU_FRU_ENTRY_NAME = b"NVRAM_FRU00.dat"

FRU_BOARD_OFFSET_BYTE = 3
FRU_BOARD_SERIAL_FIELD = 2  # after manufacturer and product name
FRU_BOARD_FIELDS_START = 6  # version, length, language, 3-byte date
FRU_END_MARKER = 0xC1

# The stub stops the guest while it answers; a few polls a second keep the
# guest's own waits close to real time.
POLL_SECONDS = 0.25
READ_CHUNK = 1024
STOP_REPLIES = ("T", "S")
GUEST_GONE_REPLIES = ("W", "X")


class AgentError(Exception):
    pass


def _get24(data, at):
    return int.from_bytes(data[at:at + 3], "little")


def sku_size(window):
    """The length SKU.BIN gives itself in its header, or 0 when the bytes are
    no SKU image."""
    if not window.startswith(SKU_MAKER):
        return 0
    return _get24(window, SKU_SIZE_OFFSET)


def fru_from_sku(image):
    """The FRU image held in a SKU.BIN's "NVRAM_FRU00.dat" entry."""
    if not image.startswith(SKU_MAKER):
        raise AgentError("the window holds no SKU image")
    for index in range(SKU_ENTRY_COUNT):
        entry = image[SKU_DIRECTORY_OFFSET + index * SKU_ENTRY_SIZE:][:SKU_ENTRY_SIZE]
        if entry[:SKU_ENTRY_NAME_SIZE].rstrip(b"\0") == SKU_FRU_ENTRY_NAME:
            offset = _get24(entry, SKU_ENTRY_NAME_SIZE)
            size = _get24(entry, SKU_ENTRY_NAME_SIZE + 3)
            if offset + size > len(image):
                raise AgentError("the FRU entry runs past the image")
            return bytes(image[offset:offset + size])
    raise AgentError("the SKU image has no FRU entry")


def _zero_sum_byte(data):
    return (-sum(data)) & 0xFF


def _board_serial_field(fru):
    """(board area start, board area end, offset of the serial's type/length byte)."""
    start = fru[FRU_BOARD_OFFSET_BYTE] * 8
    if start == 0:
        raise AgentError("the FRU image has no board area")
    end = start + fru[start + 1] * 8
    at = start + FRU_BOARD_FIELDS_START
    for _ in range(FRU_BOARD_SERIAL_FIELD):
        if fru[at] == FRU_END_MARKER:
            raise AgentError("the board area ends before its serial number")
        at += 1 + (fru[at] & 0x3F)
    return start, end, at


def alter_board_serial(fru):
    """The FRU image with the board serial number's last character changed and
    the board area's checksum made good again, so that it still decodes."""
    image = bytearray(fru)
    start, end, field = _board_serial_field(image)
    length = image[field] & 0x3F
    if length == 0 or image[field] >> 6 != 3:
        raise AgentError("the board serial number is no text to alter")
    last = field + length
    image[last] = ord("X") if image[last] != ord("X") else ord("Y")
    image[end - 1] = _zero_sum_byte(image[start:end - 1])
    return bytes(image)


LONGER_BY = b"-OTHER-9"
FIELD_MAX = 63


def lengthen_board_serial(fru):
    """The FRU image with "-OTHER-9" after the board serial number: the board
    area grows by at least one 8-byte unit, the areas behind it move, and the
    area and header checksums are made good again, as another unit's FRU with
    a longer serial would be."""
    image = bytearray(fru)
    start, end, field = _board_serial_field(image)
    length = image[field] & 0x3F
    if length == 0 or image[field] >> 6 != 3 or length + len(LONGER_BY) > FIELD_MAX:
        raise AgentError("the board serial number is no text to lengthen")
    marker = field
    while image[marker] != FRU_END_MARKER:
        marker += 1 + (image[marker] & 0x3F)
    body = (image[start:field] + bytes([0xC0 | (length + len(LONGER_BY))])
            + image[field + 1:field + 1 + length] + LONGER_BY
            + image[field + 1 + length:marker + 1])
    size = max(end - start + 8, (len(body) + 1 + 7) // 8 * 8)
    area = body + bytes(size - 1 - len(body))
    area[1] = size // 8
    area.append(_zero_sum_byte(area))
    moved = image[:start] + area + image[end:]
    for byte in range(1, 6):
        if moved[byte] * 8 >= end:
            moved[byte] += (size - (end - start)) // 8
    moved[7] = _zero_sum_byte(moved[:7])
    return bytes(moved)


def applied(fru, alter_serial):
    """What the agent writes for `alter_serial`: False, True (last character
    changed) or "longer"."""
    if alter_serial == "longer":
        return lengthen_board_serial(fru)
    return alter_board_serial(fru) if alter_serial else fru


# The agent plays the BMC behind vmware-svga's window only, whatever other
# display functions the boot has.
VMWARE_SVGA_VENDOR = 0x15AD


def window_bar(devices, vendor=None):
    """Address of the first VGA-class device's BAR 1 in a query-pci device
    list (of `vendor` when given), looking behind bridges too: the register
    pelgrin takes as the window, or None while unassigned."""
    for device in devices:
        behind = device.get("pci_bridge", {}).get("devices", [])
        address = window_bar(behind, vendor)
        if address is not None:
            return address
        if device["class_info"]["class"] != PCI_CLASS_DISPLAY_VGA:
            continue
        if vendor is not None and device["id"]["vendor"] != vendor:
            continue
        for bar in device.get("regions", []):
            if bar["bar"] == WINDOW_BAR_INDEX and bar["type"] == "memory":
                return None if bar["address"] in BAR_UNASSIGNED else bar["address"]
        return None
    return None


class Qmp:
    """Just enough of QMP for query-pci."""

    def __init__(self, path, timeout):
        self.socket = _connect(lambda: _unix_socket(path), timeout)
        self.reader = self.socket.makefile("rb")
        self._reply()  # greeting
        self.command("qmp_capabilities")

    def _reply(self):
        while True:
            line = self.reader.readline()
            if not line:
                raise AgentError("QMP closed")
            message = json.loads(line)
            if "event" not in message:
                return message

    def command(self, name):
        self.socket.sendall(json.dumps({"execute": name}).encode() + b"\n")
        reply = self._reply()
        if "error" in reply:
            raise AgentError("QMP %s: %s" % (name, reply["error"]))
        return reply["return"]

    def window_bar(self, vendor=None):
        for bus in self.command("query-pci"):
            address = window_bar(bus["devices"], vendor)
            if address is not None:
                return address
        return None

    def close(self):
        self.socket.close()


class GdbStub:
    """Guest physical memory through QEMU's gdbstub. Connecting stops the
    guest; so does every packet, hence pause/resume around each look."""

    def __init__(self, port, timeout):
        self.socket = _connect(lambda: socket.create_connection(("127.0.0.1", port)), timeout)
        self.socket.settimeout(10)
        self.pending = b""
        if self.request("Qqemu.PhyMemMode:1") != "OK":
            raise AgentError("the gdbstub refused physical memory mode")

    def _packet(self):
        while True:
            start = self.pending.find(b"$")
            end = self.pending.find(b"#", start)
            if start >= 0 and end >= 0 and len(self.pending) >= end + 3:
                payload = self.pending[start + 1:end]
                self.pending = self.pending[end + 3:]
                self.socket.sendall(b"+")
                return payload.decode("ascii")
            chunk = self.socket.recv(65536)
            if not chunk:
                raise AgentError("the gdbstub closed")
            self.pending += chunk

    def _send(self, payload):
        checksum = sum(payload.encode("ascii")) & 0xFF
        self.socket.sendall(b"$%s#%02x" % (payload.encode("ascii"), checksum))

    def request(self, payload):
        """The reply to `payload`, passing over stop notices (the stub sends
        one unasked when a debugger connects); no other reply starts so."""
        self._send(payload)
        reply = self._packet()
        while reply[:1] in STOP_REPLIES:
            reply = self._packet()
        return reply

    def pause(self):
        self.socket.sendall(b"\x03")
        reply = self._packet()
        if reply[:1] in GUEST_GONE_REPLIES:
            raise AgentError("the guest is gone")

    def resume(self):
        self._send("c")

    def read(self, address, length):
        data = bytearray()
        while len(data) < length:
            count = min(READ_CHUNK, length - len(data))
            reply = self.request("m%x,%x" % (address + len(data), count))
            if reply.startswith("E") or len(reply) != 2 * count:
                raise AgentError("reading 0x%x failed: %s" % (address + len(data), reply))
            data += bytes.fromhex(reply)
        return bytes(data)

    def write(self, address, data):
        if self.request("M%x,%x:%s" % (address, len(data), data.hex())) != "OK":
            raise AgentError("writing 0x%x failed" % address)

    def detach(self):
        self._send("D")
        self.socket.close()


def _unix_socket(path):
    client = socket.socket(socket.AF_UNIX)
    try:
        client.connect(path)
    except OSError:
        client.close()
        raise
    return client


def _connect(open_socket, timeout):
    deadline = time.monotonic() + timeout
    while True:
        try:
            return open_socket()
        except OSError:
            if time.monotonic() > deadline:
                raise AgentError("QEMU did not come up within %d s" % timeout)
            time.sleep(0.1)


class WindowAgent:
    """Runs beside one QEMU machine (started with -qmp unix:QMP,server=on,
    wait=off and -gdb tcp::PORT) until the doorbell is taken or QEMU exits.
    Afterwards `capture` holds the data window as it was at the doorbell,
    `fru` the image written to `fru_file`, `doorbell_seconds` when the
    doorbell was taken counted from start(), `error` what went wrong."""

    def __init__(self, qmp_path, gdb_port, fru_file, alter_serial=False, timeout=30):
        self.qmp_path, self.gdb_port, self.fru_file = qmp_path, gdb_port, fru_file
        self.alter_serial, self.timeout = alter_serial, timeout
        self.capture = self.fru = self.error = None
        self.bar = self.doorbell_seconds = None
        self.started = None
        self.thread = threading.Thread(target=self._run, daemon=True)

    def start(self):
        self.started = time.monotonic()
        self.thread.start()
        return self

    def join(self, timeout=None):
        self.thread.join(timeout)

    def _run(self):
        try:
            self._serve()
        except (AgentError, OSError, ValueError) as error:
            self.error = str(error)

    def _serve(self):
        qmp = Qmp(self.qmp_path, self.timeout)
        try:
            stub = GdbStub(self.gdb_port, self.timeout)
            stub.resume()
            self.capture = self._take_doorbell(qmp, stub)
            self.doorbell_seconds = time.monotonic() - self.started
        finally:
            qmp.close()
        fru = fru_from_sku(self.capture[:sku_size(self.capture)])
        self.fru = applied(fru, self.alter_serial)
        with open(self.fru_file, "r+b" if os.path.exists(self.fru_file) else "wb") as handle:
            handle.write(self.fru)
            handle.truncate()

    def _take_doorbell(self, qmp, stub):
        try:
            return self._poll_command_word(qmp, stub)
        except (AgentError, OSError) as error:
            raise AgentError("QEMU went away before the doorbell rang (%s)" % error)

    def _poll_command_word(self, qmp, stub):
        while True:
            time.sleep(POLL_SECONDS)
            if self.bar is None:
                self.bar = qmp.window_bar(VMWARE_SVGA_VENDOR)
                continue
            stub.pause()
            if _word(stub, self.bar + UPLOAD_COMMAND_WORD) == DOORBELL_RUNG:
                window = stub.read(self.bar + WINDOW_DATA, WINDOW_SIZE)
                stub.write(self.bar + UPLOAD_COMMAND_WORD, bytes(4))
                stub.detach()
                return window
            stub.resume()


def _word(stub, address):
    return int.from_bytes(stub.read(address, 4), "little")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--qmp", required=True, help="QEMU's QMP unix socket")
    parser.add_argument("--gdb", required=True, type=int, help="QEMU's gdbstub TCP port")
    parser.add_argument("--fru-file", required=True, help="file ipmi_sim serves as FRU 0")
    parser.add_argument("--capture", help="where the data window's copy goes")
    parser.add_argument("--alter-board-serial", action="store_true",
                        help="apply the FRU with its board serial number changed")
    parser.add_argument("--lengthen-board-serial", action="store_true",
                        help="apply the FRU with a board serial number 8 characters longer")
    parser.add_argument("--timeout", type=int, default=30, help="seconds to wait for QEMU")
    options = parser.parse_args()
    alter = "longer" if options.lengthen_board_serial else options.alter_board_serial
    agent = WindowAgent(options.qmp, options.gdb, options.fru_file, alter,
                        options.timeout).start()
    agent.join()
    if options.capture and agent.capture is not None:
        with open(options.capture, "wb") as handle:
            handle.write(agent.capture)
    if agent.error:
        print("window agent: " + agent.error, file=sys.stderr)
        return 1
    print("doorbell taken; %d FRU bytes written to %s" % (len(agent.fru), options.fru_file))
    return 0


if __name__ == "__main__":
    sys.exit(main())
