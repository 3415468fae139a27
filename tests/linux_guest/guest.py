"""One boot of a small Linux guest under QEMU: Debian's kernel, a busybox
initramfs holding our Linux programs (with their shared libraries, per ldd),
ipmitool and the kernel's IPMI modules, QEMU's KCS BMC at 0xCA2 and a
cirrus-vga display function. The guest's /init runs shell steps one after
the other; each step's output comes back over the serial console in base64
between marker lines, so that kernel messages or CR LF cannot garble it.
"""

import base64
import glob
import os
import re
import shutil
import stat
import subprocess
import tempfile

MODULES = ["ipmi_msghandler", "ipmi_si", "ipmi_devintf"]
# A shell command that hands QEMU's KCS interface at 0xCA2 to the kernel's
# driver (modules from add_modules) and shows its device node.
DRIVER_LOAD = ("insmod /modules/ipmi_msghandler.ko && insmod /modules/ipmi_si.ko type=kcs "
               "ports=0xca2 && insmod /modules/ipmi_devintf.ko && ls /dev/ipmi0")

INIT_HEAD = r"""#!/bin/busybox sh
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs dev /dev
echo 1 > /proc/sys/kernel/printk
export PATH=/usr/bin:/bin
step() {
  name=$1; shift
  echo "=== step $name"
  "$@" > /tmp/out 2>&1
  code=$?
  base64 /tmp/out
  echo "=== status $name $code"
}
put() {
  echo "=== file $1"
  base64 "$1"
  echo "=== end $1"
}
cd /work
"""

INIT_TAIL = r"""
echo "=== done"
poweroff -f
"""


class GuestError(AssertionError):
    pass


def cpio_newc(entries):
    """An initramfs archive of (path, mode, bytes) entries, parents first."""
    out = bytearray()

    def add(name, mode, data, ino):
        name_bytes = name.encode() + b"\0"
        fields = [ino, mode, 0, 0, 1, 0, len(data), 0, 0, 0, 0, len(name_bytes), 0]
        out.extend(b"070701" + b"".join(b"%08X" % field for field in fields))
        out.extend(name_bytes)
        out.extend(b"\0" * (-len(out) % 4))
        out.extend(data)
        out.extend(b"\0" * (-len(out) % 4))

    for ino, (name, mode, data) in enumerate(entries, start=1):
        add(name, mode, data, ino)
    add("TRAILER!!!", 0, b"", 0)
    return bytes(out)


class Initramfs:
    def __init__(self):
        self.files = {}  # guest path -> (mode, bytes)

    def add_bytes(self, guest_path, data, mode=0o644):
        self.files[guest_path.lstrip("/")] = (stat.S_IFREG | mode, data)

    def add_file(self, host_path, guest_path=None, mode=None):
        with open(host_path, "rb") as handle:
            data = handle.read()
        if mode is None:
            mode = os.stat(host_path).st_mode & 0o777
        self.add_bytes(guest_path or host_path, data, mode)

    def add_program(self, host_path, guest_path):
        """The program and every shared library ldd lists for it."""
        self.add_file(host_path, guest_path, 0o755)
        listing = subprocess.run(["ldd", host_path], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                 text=True).stdout
        for library in re.findall(r"(/\S+) \(0x", listing):
            self.add_file(os.path.realpath(library), library, 0o755)

    def archive(self):
        directories = set()
        for path in self.files:
            parts = path.split("/")[:-1]
            for depth in range(1, len(parts) + 1):
                directories.add("/".join(parts[:depth]))
        entries = [(d, stat.S_IFDIR | 0o755, b"") for d in sorted(directories)]
        for extra in ("proc", "sys", "dev", "tmp"):
            if extra not in directories:
                entries.append((extra, stat.S_IFDIR | 0o755, b""))
        entries += [(path, mode, data) for path, (mode, data) in sorted(self.files.items())]
        return cpio_newc(entries)


def find_kernel(kernel_dir):
    images = sorted(glob.glob(os.path.join(kernel_dir, "boot", "vmlinuz-*")))
    if not images:
        raise GuestError("no kernel in %s (run scripts/linux-guest-kit)" % kernel_dir)
    version = os.path.basename(images[-1])[len("vmlinuz-"):]
    return images[-1], version


def add_modules(initramfs, kernel_dir, version):
    ipmi = os.path.join(kernel_dir, "lib", "modules", version, "kernel", "drivers", "char", "ipmi")
    for module in MODULES:
        initramfs.add_file(os.path.join(ipmi, module + ".ko"), "/modules/%s.ko" % module)


def add_ipmitool(initramfs):
    initramfs.add_program(shutil.which("ipmitool"), "/usr/bin/ipmitool")
    # ipmitool reads the enterprise-number registry at every start.
    initramfs.add_file("/usr/share/misc/enterprise-numbers.txt")


def parse_console(console):
    """step name -> (output bytes, status int); file name -> bytes."""
    steps, files = {}, {}
    for match in re.finditer(r"=== step (\S+)\r?\n(.*?)=== status \1 (\d+)\r?\n", console, re.S):
        steps[match.group(1)] = (decode(match.group(2)), int(match.group(3)))
    for match in re.finditer(r"=== file (\S+)\r?\n(.*?)=== end \1\r?\n", console, re.S):
        files[match.group(1)] = decode(match.group(2))
    return steps, files


def decode(text):
    lines = [line.strip() for line in text.splitlines()]
    return base64.b64decode("".join(l for l in lines if re.fullmatch(r"[A-Za-z0-9+/=]+", l)))


def boot(kernel_dir, initramfs, steps_script, qemu_args, timeout=420):
    """Boots once; returns (steps, files, console text)."""
    kernel, _ = find_kernel(kernel_dir)
    initramfs.add_bytes("/init", (INIT_HEAD + steps_script + INIT_TAIL).encode(), 0o755)
    work = tempfile.mkdtemp(prefix="velsku-guest-")
    try:
        initrd = os.path.join(work, "initrd.cpio")
        with open(initrd, "wb") as handle:
            handle.write(initramfs.archive())
        command = ["qemu-system-x86_64", "-m", "512", "-no-reboot", "-display", "none",
                   "-vga", "none", "-serial", "stdio", "-monitor", "none",
                   "-kernel", kernel, "-initrd", initrd,
                   "-append", "console=ttyS0 panic=-1 quiet loglevel=1"] + list(qemu_args)
        result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                timeout=timeout)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    console = result.stdout.decode("utf-8", "replace")
    if "=== done" not in console:
        raise GuestError("the guest did not finish its steps:\n" + console[-4000:])
    steps, files = parse_console(console)
    return steps, files, console
