#!/usr/bin/python3
"""A 10-page PDF whose pages 4, 5 and 6 are blank and alike, left to the real
program in mupdf: every page is saved once and in order, blank ones included,
and the run ends with ✓ only after the last. In the middle the user clicks
into another window: the run holds (no page turned, nothing saved, the status
says why) and goes on once the document is in front again.

  mupdf_blank_test.py --pagerook BIN --close-window BIN --out DIR

Run it inside tests/support/with-xvfb.
"""

import os
import sys
import time

import e2e
import pages
from e2e import Checks, log

PAGES = 10
BLANK = (4, 5, 6)
INSET = (60, 80)


def main():
    setup = e2e.prepare("mupdf")
    if setup is None:
        return e2e.SKIP
    args, out, home, folder = setup
    pdf = os.path.join(out, "blank.pdf")
    with open(pdf, "wb") as f:
        f.write(pages.pdf_bytes(PAGES, blank=BLANK))
    procs = e2e.Processes(out)
    try:
        return drive(args, procs, home, folder, pdf)
    finally:
        procs.stop_all()


def drive(args, procs, home, folder, pdf):
    checks = Checks()
    procs.start("xmessage", ["xmessage", "-geometry", "-0-0", "elsewhere"])
    other = e2e.wait_window(15, "the other window", "--class", "Xmessage")
    doc, rect = e2e.show_in_mupdf(procs, pdf, INSET)
    pagerook, main_wid = e2e.start_pagerook(procs, args.pagerook, home)
    e2e.start_run(main_wid, rect)

    # A few pages in, the user clicks into another window.
    e2e.wait_until(lambda: len(e2e.numbered_files(folder)[0]) >= 3, 20, "three pages")
    info = e2e.window_info(other)
    e2e.xdotool("mousemove", info["x"] + 10, info["y"] + 5)
    e2e.xdotool("click", 1)
    e2e.wait_until(lambda: e2e.focused_window() == other, 5, "the focus in the other window")
    held_at = len(e2e.numbered_files(folder)[0])
    e2e.wait_until(lambda: "文档不在前台" in e2e.xdotool("getwindowname", main_wid), 5,
                   "the status saying why the run holds")
    time.sleep(4)
    held = len(e2e.numbered_files(folder)[0])
    checks.check(held <= held_at + 1, f"nothing saved while held ({held_at} then {held})")
    e2e.xdotool("windowactivate", "--sync", doc)

    ended = f"{PAGES} pages saved in {folder} (end of the document)"
    try:
        e2e.wait_until(lambda: ended in procs.log_text("pagerook"), 45, "the end of the run")
    except TimeoutError as error:
        checks.check(False, str(error))
    numbered, other = e2e.numbered_files(folder)
    checks.check(sorted(numbered) == list(range(PAGES)),
                 f"every page saved once, numbered in order ({sorted(numbered)}, {other})")
    for n in sorted(numbered):
        want = 0 if n + 1 in BLANK else n + 1
        shown = pages.page_of_picture(os.path.join(folder, f"{n}.jpg"))
        checks.check(shown == want, f"{n}.jpg shows page {n + 1} (page {shown}'s colour)")
    caption = e2e.xdotool("getwindowname", main_wid).strip()
    checks.check(caption == f"Pagerook {PAGES} ✓", f"the caption ends with ✓ ({caption})")
    return checks.exit_status()


if __name__ == "__main__":
    sys.exit(main())
