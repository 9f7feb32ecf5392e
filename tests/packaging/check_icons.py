"""Checks the program's hicolor icons: every size there, each a whole PNG
(every chunk's CRC, the zlib stream) of its size, and, with --ico, each
size the .ico also holds drawn with the very same pixels as its 32-bit image.

    check_icons.py [--ico program.ico] <hicolor dir> <icon name>

Prints every failed check and exits 1 when there is one.
"""

import struct
import sys
import zlib

SIZES = [16, 32, 48, 64, 128, 256]


def read_png(path):
    """(width, height, RGBA rows) of an 8-bit RGBA PNG."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("no PNG signature")
    at, chunks = 8, []
    while at < len(data):
        length, kind = struct.unpack_from(">I4s", data, at)
        body = data[at + 8:at + 8 + length]
        crc = struct.unpack_from(">I", data, at + 8 + length)[0]
        if zlib.crc32(kind + body) != crc:
            raise ValueError("bad CRC in chunk %r" % kind)
        chunks.append((kind, body))
        at += 12 + length
    if not chunks or chunks[0][0] != b"IHDR" or chunks[-1][0] != b"IEND":
        raise ValueError("chunks %r" % [k for k, _ in chunks])
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunks[0][1])
    if (depth, colour, interlace) != (8, 6, 0):
        raise ValueError("not 8-bit RGBA without interlace")
    raw = zlib.decompress(b"".join(b for k, b in chunks if k == b"IDAT"))
    stride = 1 + 4 * width
    if len(raw) != stride * height:
        raise ValueError("%d bytes of pixels for %dx%d" % (len(raw), width, height))
    rows = []
    for y in range(height):
        if raw[y * stride] != 0:
            raise ValueError("row %d is filtered" % y)
        rows.append(raw[y * stride + 1:(y + 1) * stride])
    return width, height, rows


def ico_rgba(path):
    """{size: RGBA rows, top down} of the 32-bit images of an .ico."""
    with open(path, "rb") as f:
        data = f.read()
    out = {}
    for i in range(struct.unpack_from("<H", data, 4)[0]):
        size, offset = struct.unpack_from("<II", data, 6 + 16 * i + 8)
        header = struct.unpack_from("<IiiHH", data, offset)
        width, bits = header[1], header[4]
        if bits != 32:
            continue
        pixels = data[offset + 40:offset + 40 + 4 * width * width]
        rows = []
        for y in reversed(range(width)):
            row = bytearray()
            for x in range(width):
                b, g, r, a = pixels[4 * (y * width + x):4 * (y * width + x) + 4]
                row += bytes((r, g, b, a))
            rows.append(bytes(row))
        out[width] = rows
    return out


def main(argv):
    ico = None
    if len(argv) >= 2 and argv[0] == "--ico":
        ico, argv = argv[1], argv[2:]
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    hicolor, name = argv
    failures = []
    reference = ico_rgba(ico) if ico else {}
    if ico and sorted(reference) != [16, 32, 48]:
        failures.append("%s: 32-bit images of sizes %r" % (ico, sorted(reference)))
    for size in SIZES:
        path = "%s/%dx%d/apps/%s.png" % (hicolor, size, size, name)
        try:
            width, height, rows = read_png(path)
        except (OSError, ValueError, zlib.error) as e:
            failures.append("%s: %s" % (path, e))
            continue
        if (width, height) != (size, size):
            failures.append("%s: %dx%d" % (path, width, height))
        if not any(row[x] for row in rows for x in range(3, len(row), 4)):
            failures.append("%s: fully transparent" % path)
        if size in reference and rows != reference[size]:
            failures.append("%s: differs from the %dx%d image of %s" % (path, size, size, ico))
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
