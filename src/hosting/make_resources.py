#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the generated resources of the component library into a directory:
the two interface identifier records (a 32-bit length, 16, then the identifier
in its binary layout) and the 16 x 15 toolbox bitmap, 4 bits per pixel."""
import pathlib
import re
import struct
import sys
import uuid

# The toolbox image: a small keyboard, drawn top row first.
PICTURE = [
    "................",
    "................",
    "................",
    "KKKKKKKKKKKKKKKK",
    "KwwKwwKwwKwwKwwK",
    "KKKKKKKKKKKKKKKK",
    "KwwKwwKwwKwwKwwK",
    "KKKKKKKKKKKKKKKK",
    "KwwKwwKwwKwwKwwK",
    "KKKKKKKKKKKKKKKK",
    "KwwKwwwwwwwwKwwK",
    "KKKKKKKKKKKKKKKK",
    "................",
    "................",
    "................",
]
# The 16 standard colours, as red, green, blue.
PALETTE = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128), (128, 0, 0), (128, 0, 128), (128, 128, 0),
    (192, 192, 192), (128, 128, 128), (0, 0, 255), (0, 255, 0), (0, 255, 255), (255, 0, 0),
    (255, 0, 255), (255, 255, 0), (255, 255, 255),
]
INDEX = {".": 7, "K": 0, "w": 15}  # light grey background, black frame, white keys


def identifiers(header: pathlib.Path) -> dict:
    text = header.read_text()
    return {name: uuid.UUID(value) for name, value in re.findall(r"#define (\w+)_TEXT ([0-9a-fA-F-]{36})", text)}


def record(identifier: uuid.UUID) -> bytes:
    return struct.pack("<I", 16) + identifier.bytes_le


def bitmap() -> bytes:
    width, height = 16, 15
    assert len(PICTURE) == height and all(len(row) == width for row in PICTURE)
    row_bytes = (width * 4 + 31) // 32 * 4
    pixels = bytearray()
    for row in reversed(PICTURE):  # bottom-up
        packed = bytearray()
        for x in range(0, width, 2):
            packed.append(INDEX[row[x]] << 4 | INDEX[row[x + 1]])
        pixels += packed.ljust(row_bytes, b"\0")
    palette = b"".join(struct.pack("<4B", b, g, r, 0) for (r, g, b) in PALETTE)  # stored blue first
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(pixels), 0, 0, 16, 16)
    offset = 14 + len(info) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + palette + bytes(pixels)


def main() -> None:
    header, out = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    ids = identifiers(header)
    out.mkdir(parents=True, exist_ok=True)
    (out / "iid_keybord.bin").write_bytes(record(ids["VEXO_IID_KEYBORD"]))
    (out / "srciid_keybord.bin").write_bytes(record(ids["VEXO_IID_KEYBORD_EVENTS"]))
    (out / "toolbox.bmp").write_bytes(bitmap())


if __name__ == "__main__":
    main()
