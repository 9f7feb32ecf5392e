#!/usr/bin/python3
"""Test documents whose pages are easy to tell apart, and the checks on them.

Every page is one solid colour with its number printed huge in the middle.
The colour table below is the one place that says which colour is which page;
the generators and the checks both read it.

  pages.py pdf OUT.pdf            a PDF for mupdf
  pages.py fodt OUT.fodt          a flat ODF text document for Writer
  pages.py page PICTURE           prints the page number a picture shows (0 = none)
  pages.py frames PICTURE         prints each page a picture shows and its box
"""

import subprocess
import sys

# Page n (from 1) has PAGE_COLOURS[n - 1] as its background, RGB 0..255.
# No page is red: the selection outline is dark red and must stand out.
PAGE_COLOURS = [
    (40, 70, 220),  # blue
    (30, 170, 50),  # green
    (245, 225, 30),  # yellow
    (200, 40, 200),  # magenta
    (30, 210, 220),  # cyan
    (250, 140, 0),  # orange
    (100, 30, 140),  # purple
    (140, 90, 40),  # brown
    (160, 240, 120),  # light green
    (0, 110, 110),  # teal
    (250, 170, 200),  # pink
    (120, 140, 190),  # grey blue
]
PAGE_COUNT = len(PAGE_COLOURS)

# Page size in points: 600 x 800 px at mupdf's 72 dpi; 8.33 x 11.11 inches.
PAGE_WIDTH_PT = 600
PAGE_HEIGHT_PT = 800
NUMBER_SIZE_PT = 320

IMAGEMAGICK_CONVERT = "convert-im6.q16"


def ink_for(colour):
    """Black digits on light pages, white on dark ones."""
    r, g, b = colour
    return (0, 0, 0) if 0.3 * r + 0.59 * g + 0.11 * b > 140 else (255, 255, 255)


def page_colour(n):
    """Page n's background: the colours come round again after the last."""
    return PAGE_COLOURS[(n - 1) % PAGE_COUNT]


def pdf_bytes(count=PAGE_COUNT, blank=(), heavy=0):
    """A PDF of `count` pages; the pages numbered in `blank` are all white and
    alike, with no number at all. With `heavy`, each page after the first
    also draws that many times a thousand short lines in its own background
    colour: nothing to see, but a viewer takes its time to draw the page."""
    objects = []

    def add(body):
        objects.append(body)
        return len(objects)

    catalog = add(None)
    pages = add(None)
    font = add(b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold >>")
    lines = "".join(f"{k * 7919 % 600} {k * 104729 % 800} m {k * 7919 % 600 + 9} "
                    f"{k * 104729 % 800 + 5} l S\n" for k in range(1000)).encode()
    form = add(b"<< /Type /XObject /Subtype /Form /BBox [0 0 %d %d] /Length %d >>\nstream\n"
               % (PAGE_WIDTH_PT, PAGE_HEIGHT_PT, len(lines)) + lines + b"endstream")
    kids = []
    for n in range(1, count + 1):
        colour = page_colour(n)
        label = str(n)
        # Helvetica-Bold digits are 0.556 em wide.
        text_width = 0.556 * NUMBER_SIZE_PT * len(label)
        x = (PAGE_WIDTH_PT - text_width) / 2
        y = (PAGE_HEIGHT_PT - 0.7 * NUMBER_SIZE_PT) / 2
        bg = " ".join(f"{c / 255:.3f}" for c in colour)
        ink = " ".join(f"{c / 255:.3f}" for c in ink_for(colour))
        stream = (
            f"{bg} rg 0 0 {PAGE_WIDTH_PT} {PAGE_HEIGHT_PT} re f\n"
            f"{bg} RG 0.7 w\n" + "".join(f"q 1 0 0 1 {k % 7} {k % 5} cm /L Do Q\n"
                                          for k in range(heavy if n > 1 else 0)) +
            f"{ink} rg BT /F1 {NUMBER_SIZE_PT} Tf {x:.2f} {y:.2f} Td ({label}) Tj ET\n"
            f"BT /F1 24 Tf 30 30 Td (page {label} of {count}) Tj ET\n"
        ).encode()
        if n in blank:
            stream = f"1 1 1 rg 0 0 {PAGE_WIDTH_PT} {PAGE_HEIGHT_PT} re f\n".encode()
        content = add(b"<< /Length %d >>\nstream\n" % len(stream) + stream + b"endstream")
        kids.append(
            add(
                b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 %d %d] "
                b"/Resources << /Font << /F1 %d 0 R >> /XObject << /L %d 0 R >> >> "
                b"/Contents %d 0 R >>"
                % (pages, PAGE_WIDTH_PT, PAGE_HEIGHT_PT, font, form, content)
            )
        )
    objects[catalog - 1] = b"<< /Type /Catalog /Pages %d 0 R >>" % pages
    objects[pages - 1] = b"<< /Type /Pages /Kids [%s] /Count %d >>" % (
        b" ".join(b"%d 0 R" % k for k in kids),
        len(kids),
    )

    out = bytearray(b"%PDF-1.4\n")
    offsets = []
    for i, body in enumerate(objects, start=1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % i + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for off in offsets:
        out += b"%010d 00000 n \n" % off
    out += b"trailer\n<< /Size %d /Root %d 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
        len(objects) + 1,
        catalog,
        xref,
    )
    return bytes(out)


def hex_colour(colour):
    return "#%02x%02x%02x" % colour


def fodt_text():
    """One page style per page, each with its own background colour, and one
    paragraph per page holding the number and starting that page style.
    Margins are zero so that the colour fills the page to its edges."""
    inch_w = PAGE_WIDTH_PT / 72
    inch_h = PAGE_HEIGHT_PT / 72
    layouts, masters, para_styles, body = [], [], [], []
    for n, colour in enumerate(PAGE_COLOURS, start=1):
        layouts.append(
            f'<style:page-layout style:name="L{n}"><style:page-layout-properties '
            f'fo:page-width="{inch_w:.3f}in" fo:page-height="{inch_h:.3f}in" '
            f'fo:margin-top="0in" fo:margin-bottom="0in" fo:margin-left="0in" '
            f'fo:margin-right="0in" fo:background-color="{hex_colour(colour)}" '
            f'draw:fill="solid" draw:fill-color="{hex_colour(colour)}"/></style:page-layout>'
        )
        masters.append(f'<style:master-page style:name="M{n}" style:page-layout-name="L{n}"/>')
        para_styles.append(
            f'<style:style style:name="P{n}" style:family="paragraph" '
            f'style:parent-style-name="Big" style:master-page-name="M{n}">'
            f'<style:paragraph-properties fo:break-before="page"/>'
            f'<style:text-properties fo:color="{hex_colour(ink_for(colour))}"/></style:style>'
        )
        body.append(f'<text:p text:style-name="P{n}">{n}</text:p>')
    top = (PAGE_HEIGHT_PT - NUMBER_SIZE_PT * 1.2) / 2 / 72
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
<office:styles>
<style:style style:name="Big" style:family="paragraph">
<style:paragraph-properties fo:text-align="center" fo:margin-top="{top:.3f}in"/>
<style:text-properties fo:font-size="{NUMBER_SIZE_PT}pt" fo:font-weight="bold" fo:font-family="DejaVu Sans"/>
</style:style>
</office:styles>
<office:automatic-styles>
{chr(10).join(layouts)}
{chr(10).join(para_styles)}
</office:automatic-styles>
<office:master-styles>
{chr(10).join(masters)}
</office:master-styles>
<office:body><office:text>
{chr(10).join(body)}
</office:text></office:body>
</office:document>
"""


def read_ppm(path):
    """Pixels of any picture ImageMagick reads: (width, height, RGB bytes)."""
    data = subprocess.run(
        [IMAGEMAGICK_CONVERT, path, "-depth", "8", "ppm:-"], check=True, capture_output=True
    ).stdout
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos : pos + 1].isspace():
            pos += 1
        if data[pos : pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end : end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6" or fields[3] != b"255":
        raise ValueError(f"{path}: unexpected pixel format {fields}")
    width, height = int(fields[1]), int(fields[2])
    pixels = data[pos + 1 : pos + 1 + width * height * 3]
    return width, height, pixels


def dominant_colour(pixels):
    """The most frequent colour, counted in coarse bins so that JPEG noise does
    not split one colour into many; returns the bin's mean colour."""
    bins = {}
    for i in range(0, len(pixels), 3 * 7):
        r, g, b = pixels[i], pixels[i + 1], pixels[i + 2]
        key = (r >> 5, g >> 5, b >> 5)
        entry = bins.setdefault(key, [0, 0, 0, 0])
        entry[0] += 1
        entry[1] += r
        entry[2] += g
        entry[3] += b
    count, r, g, b = max(bins.values())
    return (r // count, g // count, b // count)


def page_of_colour(colour, tolerance=45):
    """The page whose colour is nearest, or 0 when none is within tolerance."""
    best, best_dist = 0, tolerance**2 * 3
    for n, c in enumerate(PAGE_COLOURS, start=1):
        dist = sum((a - b) ** 2 for a, b in zip(colour, c))
        if dist < best_dist:
            best, best_dist = n, dist
    return best


def page_of_picture(path):
    _, _, pixels = read_ppm(path)
    return page_of_colour(dominant_colour(pixels))


def pages_in_picture(path, step=2, solid=3, tolerance=24):
    """The pages whose colour a picture shows, each with the bounding box
    (left, top, right, bottom) of its colour, sampled every `step` pixels.
    A sample counts only where the pixels `solid` to its right and below are
    of the same page too: the blend at a digit's edge is no page's colour."""
    width, height, pixels = read_ppm(path)
    known, found = {}, {}

    def page_at(x, y):
        i = (y * width + x) * 3
        colour = (pixels[i], pixels[i + 1], pixels[i + 2])
        page = known.get(colour)
        if page is None:
            page = known[colour] = page_of_colour(colour, tolerance)
        return page

    for y in range(0, height - solid, step):
        for x in range(0, width - solid, step):
            page = page_at(x, y)
            if page and page_at(x + solid, y) == page and page_at(x, y + solid) == page:
                box = found.setdefault(page, [x, y, x, y])
                box[0], box[1] = min(box[0], x), min(box[1], y)
                box[2], box[3] = max(box[2], x), max(box[3], y)
    return {page: tuple(box) for page, box in found.items()}

def main(argv):
    if len(argv) == 3 and argv[1] == "pdf":
        with open(argv[2], "wb") as f:
            f.write(pdf_bytes())
    elif len(argv) == 3 and argv[1] == "fodt":
        with open(argv[2], "w", encoding="utf-8") as f:
            f.write(fodt_text())
    elif len(argv) == 3 and argv[1] == "page":
        print(page_of_picture(argv[2]))
    elif len(argv) == 3 and argv[1] == "frames":
        print(pages_in_picture(argv[2]))
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
