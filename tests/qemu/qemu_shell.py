#!/usr/bin/env python3
"""Runs commands in the UEFI shell of OVMF under QEMU and returns its console.

A FAT image made with mtools stands in for FS0: (QEMU's vvfat drive loses
what the guest writes). The given files are copied in, a startup.nsh runs
the commands and powers the machine off with "reset -s", and the named files
are copied back out afterwards.

Usable as a module (run_shell) and from the command line (see --help).
"""

import argparse
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time

OVMF_CODE = os.environ.get("OVMF_CODE", "/usr/share/OVMF/OVMF_CODE.fd")
OVMF_VARS = os.environ.get("OVMF_VARS", "/usr/share/OVMF/OVMF_VARS.fd")
IMAGE_KIB = 16384

# The shell offers five seconds to skip startup.nsh; any other key starts it.
SKIP_PROMPT = b"to skip"

ANSI_ESCAPE = re.compile(r"\x1b(\[[0-9;?]*[A-Za-z]|[()][0-9A-Za-z]|[=>c])")


class ShellRunError(Exception):
    pass


class Medium:
    """How FS0: is made: its size, extra mkfs.fat options, a step run on the
    image once the files are in (prepare(image_path): attributes, filling),
    and whether the drive is write-protected."""

    def __init__(self, kib=IMAGE_KIB, format_args=(), prepare=None, write_protected=False):
        self.kib = kib
        self.format_args = list(format_args)
        self.prepare = prepare
        self.write_protected = write_protected


def _run(command):
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if result.returncode != 0:
        raise ShellRunError("%s failed:\n%s" % (" ".join(command), result.stdout.decode()))


def startup_script(body_lines):
    lines = ["@echo -off", "fs0:"] + list(body_lines) + ["reset -s"]
    return "\r\n".join(lines) + "\r\n"


def _placement(entry):
    """"source" goes to the root of FS0:; "source=dir/name" where it says."""
    source, _, target = entry.partition("=")
    return source, (target or os.path.basename(source)).replace("\\", "/")


def make_image(path, files, script, medium=Medium()):
    _run(["mkfs.fat", "-C", "-n", "VELSKU"] + medium.format_args + [path, str(medium.kib)])
    made = set()
    for entry in files:
        source, target = _placement(entry)
        folders = target.split("/")[:-1]
        for depth in range(1, len(folders) + 1):
            folder = "/".join(folders[:depth])
            if folder not in made:
                _run(["mmd", "-i", path, "::/" + folder])
                made.add(folder)
        _run(["mcopy", "-o", "-i", path, source, "::/" + target])
    script_path = os.path.join(os.path.dirname(path), "startup.nsh")
    # The shell reads a script with a byte-order mark as UCS-2, which is how
    # words beyond ASCII reach a program.
    encoded = script.encode("ascii") if script.isascii() else script.encode("utf-16")
    with open(script_path, "wb") as handle:
        handle.write(encoded)
    _run(["mcopy", "-o", "-i", path, script_path, "::/startup.nsh"])
    if medium.prepare:
        medium.prepare(path)


def drive_args(image, write_protected):
    # IDE refuses a read-only drive; virtio-blk reports it to the firmware.
    if write_protected:
        return ["-drive", "if=none,id=fs0,format=raw,readonly=on,file=" + image,
                "-device", "virtio-blk-pci,drive=fs0"]
    return ["-drive", "format=raw,if=ide,file=" + image]


def qemu_command(image, vars_copy, extra_args, write_protected=False):
    return [
        "qemu-system-x86_64", "-nodefaults", "-vga", "none", "-no-reboot",
        "-display", "none", "-machine", "pc", "-m", "256", "-accel", "tcg",
        "-serial", "stdio",
        "-drive", "if=pflash,format=raw,readonly=on,file=" + OVMF_CODE,
        "-drive", "if=pflash,format=raw,file=" + vars_copy,
    ] + drive_args(image, write_protected) + list(extra_args)


def _collect_console(process, timeout):
    """Reads the console until QEMU exits; answers the skip prompt once."""
    output = bytearray()
    answered = False
    deadline = time.monotonic() + timeout
    descriptor = process.stdout.fileno()
    while True:
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            process.kill()
            process.wait()
            raise ShellRunError("timed out after %d s; console so far:\n%s"
                                % (timeout, clean_console(output.decode("utf-8", "replace"))))
        ready, _, _ = select.select([descriptor], [], [], min(remaining, 0.5))
        if ready:
            chunk = os.read(descriptor, 65536)
            if not chunk:
                break
            output += chunk
            if not answered and SKIP_PROMPT in output:
                process.stdin.write(b" ")
                process.stdin.flush()
                answered = True
    process.wait()
    return output.decode("utf-8", "replace")


def clean_console(text):
    """The console text without the terminal's colour and cursor sequences."""
    return ANSI_ESCAPE.sub("", text)


def run_shell(files, body_lines, extra_qemu_args=(), copy_out=(), out_dir=None, timeout=120,
              medium=Medium()):
    """Boots the shell with `files` on FS0: (each "source" or "source=path"),
    runs `body_lines`, and returns the console text (escape sequences removed,
    line ends kept). Paths named in `copy_out` ("name" or "dir/name") are
    copied from FS0: to the same path under `out_dir` when they exist."""
    work = tempfile.mkdtemp(prefix="qemu-shell-")
    try:
        image = os.path.join(work, "fs0.img")
        vars_copy = os.path.join(work, "vars.fd")
        shutil.copyfile(OVMF_VARS, vars_copy)
        make_image(image, files, startup_script(body_lines), medium)
        with subprocess.Popen(qemu_command(image, vars_copy, extra_qemu_args,
                                           medium.write_protected),
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT) as process:
            console = _collect_console(process, timeout)
        for name in copy_out:
            target = os.path.join(out_dir, name)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            subprocess.run(["mcopy", "-o", "-n", "-i", image, "::/" + name, target],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return clean_console(console)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--file", action="append", default=[],
                        help="copy onto FS0:, as SOURCE or SOURCE=DIR/NAME")
    parser.add_argument("--script", required=True,
                        help="file with the shell commands, one a line")
    parser.add_argument("--copy-out", action="append", default=[], help="file to fetch back")
    parser.add_argument("--out-dir", default=".", help="where fetched files go")
    parser.add_argument("--timeout", type=int, default=120)
    parser.add_argument("qemu_args", nargs="*", help="extra QEMU arguments (after --)")
    options = parser.parse_args()
    with open(options.script) as handle:
        body = handle.read().splitlines()
    try:
        console = run_shell(options.file, body, options.qemu_args, options.copy_out,
                            options.out_dir, options.timeout)
    except ShellRunError as error:
        print(error, file=sys.stderr)
        return 1
    sys.stdout.write(console)
    return 0


if __name__ == "__main__":
    sys.exit(main())
