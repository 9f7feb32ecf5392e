#!/usr/bin/python3
"""The real program pages a PDF in mupdf and saves each page as a picture.

  mupdf_test.py --pagerook BIN --close-window BIN --out DIR

Run it inside tests/support/with-xvfb. The saved pictures, reference crops and
screenshots stay in DIR for a look afterwards.
"""

import os
import re
import sys
import time

import e2e
import pages
from e2e import Checks, log

PAGES_WANTED = 4
INSET = (60, 80)  # keeps the dragged rectangle inside the page on every side


def mupdf_page(wid):
    """The page number and resolution mupdf puts in its title."""
    title = e2e.xdotool("getwindowname", wid)
    m = re.search(r"(\d+)/\d+ \((\d+) dpi\)", title)
    return (int(m.group(1)), int(m.group(2))) if m else (0, 0)


def go_to_page(wid, key, page):
    e2e.xdotool("key", "--window", wid, key)
    e2e.wait_until(lambda: mupdf_page(wid)[0] == page, 5, f"mupdf on page {page}")
    time.sleep(0.3)


def main():
    setup = e2e.prepare("mupdf")
    if setup is None:
        return e2e.SKIP
    args, out, home, folder = setup
    pdf = os.path.join(out, "pages.pdf")
    with open(pdf, "wb") as f:
        f.write(pages.pdf_bytes())

    procs = e2e.Processes(out)
    try:
        return drive(args, procs, out, home, folder, pdf)
    finally:
        procs.stop_all()


def drive(args, procs, out, home, folder, pdf):
    checks = Checks()
    procs.start("mupdf", ["mupdf", "-r", "72", pdf])
    doc = e2e.wait_window(15, "the mupdf window", "--class", "mupdf")
    e2e.xdotool("windowactivate", "--sync", doc)
    e2e.wait_until(lambda: e2e.focused_window() == doc, 5, "focus in mupdf")
    time.sleep(0.5)
    view = e2e.window_info(doc)
    log(f"mupdf window {doc}: {view['width']}x{view['height']} at {view['x']},{view['y']}")

    left, top = view["x"] + INSET[0], view["y"] + INSET[1]
    right, bottom = view["x"] + view["width"] - INSET[0], view["y"] + view["height"] - INSET[1]
    rect = (left, top, right - left, bottom - top)
    doc_rect = (view["x"], view["y"], view["width"], view["height"])

    refs, view_refs = e2e.take_references(out, rect, doc_rect, PAGES_WANTED,
                                          lambda page: go_to_page(doc, "Next", page), checks)
    for page in range(PAGES_WANTED, 0, -1):
        go_to_page(doc, "Prior", page)
    keep = e2e.fill_capture_folder(home, folder)

    pagerook, main_wid = e2e.start_pagerook(procs, args.pagerook, home)
    time.sleep(0.5)
    e2e.check_main_window(checks, main_wid, doc, "mupdf")

    # Dragged from the bottom-right corner to the top-left one.
    seen = e2e.capture_run(main_wid, (right, bottom), (left, top), PAGES_WANTED, folder,
                           out)
    time.sleep(3)
    e2e.check_run(checks, seen, folder, keep, rect, refs, view_refs, doc_rect, PAGES_WANTED, doc,
                  "mupdf", out)
    checks.check(mupdf_page(doc)[1] == 72, f"mupdf's zoom is unchanged ({mupdf_page(doc)[1]} dpi)")
    e2e.close_pagerook(checks, procs, args.close_window, pagerook, main_wid)
    return checks.exit_status()


if __name__ == "__main__":
    sys.exit(main())
