#!/usr/bin/env python3
"""Builds the application icon from its text form.

Usage: make_icon.py ICON_TEXT IMAGE_ID OUTPUT_DIR

ICON_TEXT holds 32 lines of 32 pixels ('.' ground, '#' stroke, 'r' edge); lines
starting with ';' and blank lines are ignored. A pixel just left of or below a stroke
is red unless it is stroke itself, and no other pixel is red; errors name pixels as
(x, y) from the top-left corner.
IMAGE_ID is the resource id of the image, which the icon group names.
OUTPUT_DIR receives:
  app.ico         a stand-alone icon file with the one image
  icon_image.bin  the image as an RT_ICON resource (DIB header, colour bits, mask)
  icon_group.bin  the RT_GROUP_ICON resource naming image IMAGE_ID
The resource script embeds the two .bin files as raw resources under the ids of
app_identity.h, so every resource compiler yields exactly that icon group and image.
"""

import os
import struct
import sys

SIZE = 32
BITS_PER_PIXEL = 24

# Pixel character -> (red, green, blue).
PALETTE = {
    ".": (128, 255, 255),
    "#": (0, 0, 0),
    "r": (255, 0, 0),
}


class IconTextError(Exception):
    pass


def read_pixels(path):
    """Returns SIZE rows of SIZE palette characters, top row first."""
    rows = []
    with open(path, encoding="ascii") as text:
        for number, line in enumerate(text, start=1):
            line = line.rstrip("\r\n")
            if not line or line.startswith(";"):
                continue
            if len(line) != SIZE:
                raise IconTextError(f"{path}:{number}: {len(line)} pixels, expected {SIZE}")
            unknown = sorted(set(line) - PALETTE.keys())
            if unknown:
                raise IconTextError(f"{path}:{number}: unknown pixel characters {unknown!r}")
            rows.append(line)
    if len(rows) != SIZE:
        raise IconTextError(f"{path}: {len(rows)} pixel rows, expected {SIZE}")
    missing = sorted(PALETTE.keys() - set("".join(rows)))
    if missing:
        raise IconTextError(f"{path}: colours {missing!r} never used; the icon has three")
    check_edges(path, rows)
    return rows


def check_edges(path, rows):
    """The red edge lies along the left side and underside of the strokes, and only there."""

    def at(x, y):
        return rows[y][x] if 0 <= x < SIZE and 0 <= y < SIZE else None

    for y in range(SIZE):
        for x in range(SIZE):
            pixel = rows[y][x]
            if pixel == "r" and "#" not in (at(x + 1, y), at(x, y - 1)):
                raise IconTextError(f"{path}: red pixel ({x}, {y}) is not left of or below a stroke")
            if pixel == "." and "#" in (at(x + 1, y), at(x, y - 1)):
                raise IconTextError(f"{path}: pixel ({x}, {y}) left of or below a stroke must be red")


def padded_to_dword(row):
    return row + b"\0" * (-len(row) % 4)


def icon_image(rows):
    """The DIB as icons store it: header with doubled height, colour bits, AND mask."""
    colour_bits = b"".join(
        padded_to_dword(b"".join(bytes(reversed(PALETTE[p])) for p in row))
        for row in reversed(rows)  # bottom-up, each pixel blue-green-red
    )
    # An all-zero AND mask leaves every pixel opaque.
    mask_bits = padded_to_dword(bytes(SIZE // 8)) * SIZE
    header = struct.pack(
        "<IiiHHIIiiII",
        40,  # biSize
        SIZE,  # biWidth
        SIZE * 2,  # biHeight covers colour bits and mask
        1,  # biPlanes
        BITS_PER_PIXEL,
        0,  # BI_RGB
        len(colour_bits) + len(mask_bits),
        0,
        0,
        0,
        0,
    )
    return header + colour_bits + mask_bits


def directory_header():
    return struct.pack("<HHH", 0, 1, 1)  # reserved, type icon, one image


def directory_entry_start(image):
    # width, height, colour count (0: more than 256), reserved, planes, bit count, bytes
    return struct.pack("<BBBBHHI", SIZE, SIZE, 0, 0, 1, BITS_PER_PIXEL, len(image))


def group_resource(image, image_id):
    return directory_header() + directory_entry_start(image) + struct.pack("<H", image_id)


def ico_file(image):
    offset = 6 + 16
    return directory_header() + directory_entry_start(image) + struct.pack("<I", offset) + image


def write(path, data):
    with open(path, "wb") as out:
        out.write(data)


def main(argv):
    if len(argv) != 4 or not argv[2].isdigit():
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    source, image_id, output_dir = argv[1], int(argv[2]), argv[3]
    try:
        image = icon_image(read_pixels(source))
    except (IconTextError, UnicodeDecodeError, OSError) as error:
        print(f"make_icon: {error}", file=sys.stderr)
        return 1
    os.makedirs(output_dir, exist_ok=True)
    write(os.path.join(output_dir, "app.ico"), ico_file(image))
    write(os.path.join(output_dir, "icon_image.bin"), image)
    write(os.path.join(output_dir, "icon_group.bin"), group_resource(image, image_id))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
