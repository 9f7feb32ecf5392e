"""Reads the PDF of a run with real PDF tools.

  check_pdf.py --probe pdf_probe                    (Linux build)
  check_pdf.py --probe pdf_probe.exe --wine-run W [--linux-probe P]

A headless capture run of 12 pages ends with Esc and the option on; the PDF
must pass qpdf --check, hold 12 DCT images whose bytes are the pictures' own,
in numeric order, on pages of the pictures' size at their resolution, and
page 1 must render back close to 0.jpg. Under Wine, the Windows build also
writes the PDF of the same pictures as the Linux build, byte for byte.
"""
import argparse
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

PAGES = 12
failures = []


def check(ok, message):
    if not ok:
        failures.append(message)
        print("FAIL: " + message, file=sys.stderr)


def jpeg_facts(path):
    """Width, height and (x, y) dpi from a JPEG's frame header and JFIF marker."""
    data = open(path, "rb").read()
    i, dpi, size = 2, (96.0, 96.0), None
    while i + 4 <= len(data) and data[i] == 0xFF:
        marker, length = data[i + 1], int.from_bytes(data[i + 2:i + 4], "big")
        body = data[i + 4:i + 2 + length]
        if marker == 0xE0 and body[:5] == b"JFIF\0" and body[7] in (1, 2):
            scale = 1.0 if body[7] == 1 else 2.54
            dpi = (int.from_bytes(body[8:10], "big") * scale,
                   int.from_bytes(body[10:12], "big") * scale)
        if marker in (0xC0, 0xC1, 0xC2):
            size = (int.from_bytes(body[3:5], "big"), int.from_bytes(body[1:3], "big"))
        if marker == 0xDA:
            break
        i += 2 + length
    return size, dpi


def run(args, **kw):
    return subprocess.run(args, capture_output=True, text=True, **kw)


def check_pdf(folder, pdf, work):
    pictures = [os.path.join(folder, f"{n}.jpg") for n in range(PAGES)]
    check(all(os.path.isfile(p) for p in pictures), f"pictures missing in {folder}")
    check(os.path.isfile(pdf), f"no PDF at {pdf}")
    if failures:
        return
    facts = [jpeg_facts(p) for p in pictures]

    qpdf = run(["qpdf", "--check", pdf])
    check(qpdf.returncode == 0, "qpdf --check: " + qpdf.stdout + qpdf.stderr)

    listing = run(["pdfimages", "-list", pdf]).stdout.splitlines()[2:]
    rows = [line.split() for line in listing if line.strip()]
    check(len(rows) == PAGES, f"pdfimages -list shows {len(rows)} images")
    for n, row in enumerate(rows[:PAGES]):
        width, height = facts[n][0]
        # page num type width height color comp bpc enc interp object ID x-ppi y-ppi ...
        check(row[0] == str(n + 1) and row[2] == "image" and row[8] == "jpeg",
              f"image {n}: {' '.join(row)}")
        check((float(row[12]), float(row[13])) == (round(facts[n][1][0]), round(facts[n][1][1])),
              f"image {n} is shown at {row[12]}x{row[13]} ppi")
        check((int(row[3]), int(row[4])) == (width, height),
              f"image {n} is {row[3]}x{row[4]}, {n}.jpg is {width}x{height}")

    run(["pdfimages", "-j", pdf, os.path.join(work, "img")], check=True)
    extracted = sorted(glob.glob(os.path.join(work, "img-*.jpg")))
    check(len(extracted) == PAGES, f"pdfimages -j gave {len(extracted)} files")
    for n, path in enumerate(extracted[:PAGES]):
        check(open(path, "rb").read() == open(pictures[n], "rb").read(),
              f"page {n + 1} does not hold the bytes of {n}.jpg")

    info = run(["pdfinfo", "-f", "1", "-l", str(PAGES), pdf]).stdout
    check(re.search(rf"^Pages:\s+{PAGES}$", info, re.M) is not None, "pdfinfo: " + info)
    sizes = re.findall(r"^Page\s+(\d+) size:\s+([\d.]+) x ([\d.]+) pts", info, re.M)
    check(len(sizes) == PAGES, f"pdfinfo gave {len(sizes)} page sizes")
    for page, w, h in sizes:
        (width, height), (dpi_x, dpi_y) = facts[int(page) - 1]
        check(abs(float(w) - width * 72 / dpi_x) < 0.01 and
              abs(float(h) - height * 72 / dpi_y) < 0.01,
              f"page {page} is {w} x {h} pt for {width}x{height} at {dpi_x}x{dpi_y} dpi")

    (width, height), (dpi_x, _) = facts[0]
    run(["pdftoppm", "-f", "1", "-l", "1", "-r", str(dpi_x), "-png", pdf,
         os.path.join(work, "page")], check=True)
    rendered = glob.glob(os.path.join(work, "page-*1.png"))
    check(len(rendered) == 1, "pdftoppm rendered no page 1")
    if rendered:
        # Resampling moves a few edges by a pixel (about 0.04); another page is 0.3 and more.
        compare = run(["compare-im6.q16", "-metric", "RMSE", rendered[0], pictures[0], "null:"])
        match = re.search(r"\(([\d.e-]+)\)", compare.stderr)
        check(match is not None and float(match.group(1)) < 0.08,
              "page 1 rendered against 0.jpg: " + compare.stderr.strip())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--probe", required=True)
    parser.add_argument("--wine-run")
    parser.add_argument("--linux-probe")
    args = parser.parse_args()
    for tool in ("qpdf", "pdfimages", "pdfinfo", "pdftoppm", "compare-im6.q16"):
        if shutil.which(tool) is None:
            print(f"check_pdf: {tool} is missing (scripts/deps test installs it)", file=sys.stderr)
            return 1
    with tempfile.TemporaryDirectory(prefix="pagerook-pdf-") as work:
        if args.wine_run:
            prefix = os.path.join(work, "prefix")
            env = dict(os.environ, PAGEROOK_WINEPREFIX=prefix)
            result = run([args.wine_run, args.probe, "run", "C:\\pdfrun", str(PAGES)], env=env)
            check(result.returncode == 0, "the run under Wine: " + result.stderr[-2000:])
            folder = os.path.join(prefix, "drive_c", "pdfrun", "截图")
        else:
            result = run([args.probe, "run", work, str(PAGES)])
            check(result.returncode == 0, "the run: " + result.stderr)
            folder = os.path.join(work, "截图")
        check_pdf(folder, os.path.join(folder, "截图.pdf"), work)

        if args.wine_run and not failures:
            if args.linux_probe and os.path.isfile(args.linux_probe):
                pictures = os.path.join(prefix, "drive_c", "pdfrun", "pictures")
                os.makedirs(pictures)
                for n in range(PAGES):
                    shutil.copy(os.path.join(folder, f"{n}.jpg"), pictures)
                linux_pdf = os.path.join(work, "linux.pdf")
                run([args.linux_probe, "write", pictures, linux_pdf], check=True)
                result = run([args.wine_run, args.probe, "write", "C:\\pdfrun\\pictures",
                              "C:\\pdfrun\\wine.pdf"], env=env)
                wine_pdf = os.path.join(prefix, "drive_c", "pdfrun", "wine.pdf")
                check(result.returncode == 0 and os.path.isfile(wine_pdf) and
                      open(wine_pdf, "rb").read() == open(linux_pdf, "rb").read(),
                      "the Windows build's PDF differs from the Linux build's")
                print(f"check_pdf: compared with the Linux build's PDF of the same pictures")
            else:
                print("check_pdf: no Linux build to compare with", file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
