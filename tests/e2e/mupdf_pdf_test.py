#!/usr/bin/python3
"""With "结束时生成 PDF" ticked by a real right-click and click, a run left alone
on a short PDF in mupdf ends at the last page and leaves 截图.pdf beside its
pictures: one page per picture, in order, each holding that picture's bytes.

  mupdf_pdf_test.py --pagerook BIN --close-window BIN --out DIR

Run it inside tests/support/with-xvfb.
"""

import glob
import os
import re
import shutil
import subprocess
import sys
import time

import e2e
import pages
from e2e import Checks, log

PAGES = 3
INSET = (60, 80)
MENU_ROWS = 11  # items of the main window's menu, separators not counted
PDF_AT_END_ROW = MENU_ROWS - 2  # "结束时生成 PDF", just above the separator and 退出


def new_menu_window(before):
    """A viewable override-redirect window that was not there before and is
    tall enough to be the menu (a tooltip is not)."""
    for wid in e2e.top_level_windows():
        if wid in before:
            continue
        info = e2e.window_info(wid)
        if info and info["viewable"] and info["override"] and info["height"] > 200:
            return wid
    return None


def text_rows(path):
    """The bands of rows holding text, top to bottom, as (first, last) pairs.
    Greyed-out text counts; the frame and separators, lighter still, do not.
    Bands a few rows apart are one line of text."""
    width, height, px = pages.read_ppm(path)
    inked = [any(px[i] + px[i + 1] + px[i + 2] < 510
                 for i in range(y * width * 3, (y + 1) * width * 3, 3)) for y in range(height)]
    bands = []
    for y, ink in enumerate(inked):
        if not ink:
            continue
        if bands and y - bands[-1][1] <= 3:
            bands[-1][1] = y
        else:
            bands.append([y, y])
    return [tuple(b) for b in bands if b[1] - b[0] >= 4]


def tick_pdf_at_end(checks, main_wid, doc, out):
    """Right-clicks 截图 and clicks "结束时生成 PDF" in the menu that opens."""
    before = set(e2e.top_level_windows())
    info = e2e.window_info(main_wid)
    e2e.xdotool("mousemove", info["x"] + e2e.BUTTON_CENTRE[0], info["y"] + e2e.BUTTON_CENTRE[1])
    e2e.xdotool("click", 3)
    menu = e2e.wait_until(lambda: new_menu_window(before), 10, "the right-click menu")
    # The menu may still be drawing its items: wait until all of them show.
    where = e2e.window_info(menu)
    rect = (where["x"], where["y"], where["width"], where["height"])
    shot = os.path.join(out, "menu.ppm")

    def all_rows():
        rows = text_rows(e2e.screenshot(shot, rect))
        return rows if len(rows) == MENU_ROWS else None

    try:
        rows = e2e.wait_until(all_rows, 10, f"{MENU_ROWS} lines of text in the menu", 0.2)
    except TimeoutError as error:
        checks.check(False, f"{error} (saw {text_rows(shot)})")
        return False
    first, last = rows[PDF_AT_END_ROW]
    x, y = rect[0] + rect[2] // 2, rect[1] + (first + last) // 2
    log(f"menu {rect[2]}x{rect[3]} at {rect[0]},{rect[1]}; clicking its row "
        f"{PDF_AT_END_ROW + 1} at {x},{y}")
    e2e.xdotool("mousemove", x, y)
    e2e.xdotool("click", 1)
    e2e.wait_until(lambda: not (e2e.window_info(menu) or {}).get("viewable"), 10,
                   "the menu to close")
    return True


def rmse(a, b):
    compare = subprocess.run(["compare-im6.q16", "-metric", "RMSE", a, b, "null:"],
                             capture_output=True, text=True)
    m = re.search(r"\(([\d.e-]+)\)", compare.stderr)
    return (float(m.group(1)) if m else None), compare.stderr.strip()


def check_pdf(checks, folder, out, count):
    pdf = os.path.join(folder, "截图.pdf")
    if not checks.check(os.path.isfile(pdf), f"截图.pdf is in the capture folder ({pdf})"):
        return
    qpdf = subprocess.run(["qpdf", "--check", pdf], capture_output=True, text=True)
    checks.check(qpdf.returncode == 0,
                 "qpdf --check passes: " + (qpdf.stdout + qpdf.stderr).strip())

    info = e2e.run("pdfinfo", pdf)
    m = re.search(r"^Pages:\s+(\d+)$", info, re.M)
    checks.check(m is not None and int(m.group(1)) == count,
                 f"the PDF has one page per picture ({m and m.group(1)} for {count})")

    listing = e2e.run("pdfimages", "-list", pdf).splitlines()[2:]
    on_pages = [int(line.split()[0]) for line in listing if line.strip()]
    checks.check(on_pages == list(range(1, count + 1)),
                 f"one image on each page, in page order ({on_pages})")

    work = os.path.join(out, "pdf")
    os.makedirs(work, exist_ok=True)
    e2e.run("pdfimages", "-j", pdf, os.path.join(work, "img"))
    extracted = sorted(glob.glob(os.path.join(work, "img-*")))
    checks.check(len(extracted) == count and all(p.endswith(".jpg") for p in extracted),
                 f"pdfimages -j gives {count} JPEGs ({[os.path.basename(p) for p in extracted]})")
    for n, path in enumerate(extracted[:count]):
        with open(path, "rb") as a, open(os.path.join(folder, f"{n}.jpg"), "rb") as b:
            checks.check(a.read() == b.read(), f"page {n + 1} holds the bytes of {n}.jpg")

    first = os.path.join(folder, "0.jpg")
    _, width, height = e2e.picture_size(first)
    e2e.run("pdftoppm", "-f", "1", "-l", "1", "-scale-to-x", str(width), "-scale-to-y",
            str(height), "-png", pdf, os.path.join(work, "page"))
    rendered = glob.glob(os.path.join(work, "page-*1.png"))
    if checks.check(len(rendered) == 1, "pdftoppm renders page 1"):
        # Resampling moves a few edges by a pixel (about 0.04); another page is 0.3 and more.
        value, said = rmse(rendered[0], first)
        checks.check(value is not None and value < 0.08, f"page 1 looks like 0.jpg ({said})")


def main():
    setup = e2e.prepare("mupdf")
    if setup is None:
        return e2e.SKIP
    args, out, home, folder = setup
    for tool in ("qpdf", "pdfinfo", "pdfimages", "pdftoppm", "compare-im6.q16"):
        if not shutil.which(tool):
            log(f"SKIP: {tool} is not installed")
            return e2e.SKIP
    pdf = os.path.join(out, "short.pdf")
    with open(pdf, "wb") as f:
        f.write(pages.pdf_bytes(PAGES))
    procs = e2e.Processes(out)
    try:
        return drive(args, procs, home, folder, pdf, out)
    finally:
        procs.stop_all()


def drive(args, procs, home, folder, pdf, out):
    checks = Checks()
    doc, rect = e2e.show_in_mupdf(procs, pdf, INSET)

    pagerook, main_wid = e2e.start_pagerook(procs, args.pagerook, home)
    if not tick_pdf_at_end(checks, main_wid, doc, out):
        return checks.exit_status()
    checks.check(e2e.wait_until(lambda: e2e.focused_window() == doc, 5, "focus back in mupdf"),
                 "the menu leaves the focus in mupdf")

    released = e2e.start_run(main_wid, rect)

    ended = f"{PAGES} pages saved in {folder} (end of the document)"

    def end_line():
        return next((s for s in procs.log_text("pagerook").splitlines() if ended in s), None)

    try:
        line = e2e.wait_until(end_line, 30, "the end of the run")
    except TimeoutError as error:
        checks.check(False, str(error))
        line = ""
    log(f"the run ended {time.monotonic() - released:.1f} s after the release")
    checks.check(line.endswith(", and 截图.pdf written"),
                 f"the run says the PDF was written ({line})")

    numbered, other = e2e.numbered_files(folder)
    files = sorted(numbered)
    checks.check(files == list(range(PAGES)), f"every page saved once, in order ({files})")
    checks.check(other == ["截图.pdf"], f"the PDF is the only other file ({other})")
    for n in files:
        shown = pages.page_of_picture(os.path.join(folder, f"{n}.jpg"))
        checks.check(shown == n + 1, f"{n}.jpg shows page {n + 1} (page {shown}'s colour)")
    check_pdf(checks, folder, out, len(files))
    e2e.close_pagerook(checks, procs, args.close_window, pagerook, main_wid)
    return checks.exit_status()


if __name__ == "__main__":
    sys.exit(main())
