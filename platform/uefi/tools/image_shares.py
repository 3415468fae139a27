#!/usr/bin/env python3
"""Splits an EFI image's code and data by origin, from lld-link's /map file.

    image_shares.py build/uefi/pelgrin.efi.map

Each symbol owns the bytes up to the next symbol of its section; the bytes
are summed by library: zlib, expat, our C library layer, and our own code.
"""

import re
import sys
from collections import defaultdict

SECTION = re.compile(r"^\s*(\d{4}):([0-9a-fA-F]{8})\s+([0-9a-fA-F]+)H\s+(\S+)")
SYMBOL = re.compile(r"^\s*(\d{4}):([0-9a-fA-F]{8})\s+\S+\s+[0-9a-fA-F]{16}\s+(\S.*)$")

GROUPS = [("libvelsku_zlib", "zlib"), ("libvelsku_expat", "expat"),
          ("libuefi_libc", "C library layer"), ("", "our code")]


def group_of(origin):
    for prefix, name in GROUPS:
        if origin.startswith(prefix):
            return name
    return "our code"


def read_map(path):
    sections = {}
    symbols = []
    with open(path) as handle:
        for line in handle:
            section = SECTION.match(line)
            if section and section.group(4).startswith("."):
                index, start = section.group(1), int(section.group(2), 16)
                length = int(section.group(3), 16)
                end = max(start + length, sections.get(index, 0))
                sections[index] = end
                continue
            symbol = SYMBOL.match(line)
            if symbol:
                origin = symbol.group(3).strip().split(":")[0]
                symbols.append((symbol.group(1), int(symbol.group(2), 16), origin))
    return sections, symbols


def shares(path):
    sections, symbols = read_map(path)
    sizes = defaultdict(int)
    ordered = sorted(set(symbols))
    for position, (section, offset, origin) in enumerate(ordered):
        following = [o for s, o, _ in ordered[position + 1:position + 2] if s == section]
        end = following[0] if following else sections.get(section, offset)
        sizes[group_of(origin)] += max(end - offset, 0)
    return sizes


def main():
    for path in sys.argv[1:]:
        sizes = shares(path)
        total = sum(sizes.values())
        print(path)
        for _, name in GROUPS:
            size = sizes.get(name, 0)
            share = 100.0 * size / total if total else 0
            print("  %-16s %8d bytes  %5.1f %%" % (name, size, share))
    return 0


if __name__ == "__main__":
    sys.exit(main())
