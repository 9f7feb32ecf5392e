#!/usr/bin/python3
"""Left alone on a short PDF in mupdf, the real program saves every page once
and in order, stops by itself at the last page and says so in its caption.

  mupdf_end_test.py --pagerook BIN --close-window BIN --out DIR

Run it inside tests/support/with-xvfb.
"""

import os
import re
import sys
import time

import e2e
import pages
from e2e import Checks, log

PAGES = 4
INSET = (60, 80)


def mupdf_page(wid):
    m = re.search(r"(\d+)/\d+ \(", e2e.xdotool("getwindowname", wid))
    return int(m.group(1)) if m else 0


def net_wm_name(wid):
    out = e2e.run("xprop", "-id", str(wid), "_NET_WM_NAME")
    m = re.search(r'= "(.*)"$', out.strip())
    return m.group(1) if m else out.strip()


def main():
    setup = e2e.prepare("mupdf")
    if setup is None:
        return e2e.SKIP
    args, out, home, folder = setup
    pdf = os.path.join(out, "short.pdf")
    with open(pdf, "wb") as f:
        f.write(pages.pdf_bytes(PAGES))
    procs = e2e.Processes(out)
    try:
        return drive(args, procs, home, folder, pdf)
    finally:
        procs.stop_all()


def drive(args, procs, home, folder, pdf):
    checks = Checks()
    doc, rect = e2e.show_in_mupdf(procs, pdf, INSET)

    pagerook, main_wid = e2e.start_pagerook(procs, args.pagerook, home)
    released = e2e.start_run(main_wid, rect)

    # 4 pages 1.5 s apart, then two page turns that change nothing.
    ended = f"{PAGES} pages saved in {folder} (end of the document)"
    try:
        e2e.wait_until(lambda: ended in procs.log_text("pagerook"), 30, "the end of the run")
    except TimeoutError as error:
        checks.check(False, str(error))
    log(f"the run ended {time.monotonic() - released:.1f} s after the release")
    numbered, other = e2e.numbered_files(folder)
    files_at_end = sorted(numbered)
    checks.check(files_at_end == list(range(PAGES)),
                 f"every page saved once, numbered in order ({files_at_end}, {other})")
    for n in files_at_end:
        shown = pages.page_of_picture(os.path.join(folder, f"{n}.jpg"))
        checks.check(shown == n + 1, f"{n}.jpg shows page {n + 1} (page {shown}'s colour)")
    checks.check(mupdf_page(doc) == PAGES, f"mupdf is on its last page ({mupdf_page(doc)})")
    caption = e2e.xdotool("getwindowname", main_wid).strip()
    checks.check(caption == f"Pagerook {PAGES} ✓", f"the caption shows the count ({caption})")
    checks.check(net_wm_name(main_wid) == f"Pagerook {PAGES} ✓",
                 f"_NET_WM_NAME too ({net_wm_name(main_wid)})")
    checks.check(e2e.window_info(main_wid)["viewable"], "the main window is shown")
    checks.check(e2e.fullscreen_overlay() is None, "no overlay is left")

    # Stopped means stopped: nothing more within two more cycles' time.
    time.sleep(3)
    later = sorted(e2e.numbered_files(folder)[0])
    checks.check(later == files_at_end, f"no picture after the stop ({later})")
    e2e.close_pagerook(checks, procs, args.close_window, pagerook, main_wid)
    return checks.exit_status()


if __name__ == "__main__":
    sys.exit(main())
