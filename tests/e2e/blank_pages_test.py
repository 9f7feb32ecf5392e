#!/usr/bin/python3
"""A 10-page PDF whose pages 4, 5 and 6 are blank and alike, left to the real
program in a PDF viewer: every page is saved once and in order, blank ones
included, and ✓ shows only after the last. With --hold the user clicks into
another window in the middle: the run holds (nothing saved, the status says
why) and goes on once the document is in front again, losing no page. With
--auto the user picks "自动" in the menu first; with --heavy every page that
is not blank takes the viewer longer to draw than a page's time (evince shows
a blank page and a spinner meanwhile), and none of those stand-ins is saved.

  blank_pages_test.py --viewer mupdf|evince [--hold] [--auto] [--heavy]
                      --pagerook BIN --close-window BIN --out DIR

Run it inside tests/support/with-xvfb.
"""

import argparse
import os
import sys
import time

import e2e
import pages
import viewers
from e2e import Checks, log

PAGES = 10
BLANK = (4, 5, 6)
INSET = (60, 80)
# Long enough for two page turns (1.5 s each) had the run not held.
HOLD_S = 3.5


def main():
    ap = argparse.ArgumentParser(add_help=False)
    ap.add_argument("--viewer", choices=sorted(viewers.SHOW), required=True)
    ap.add_argument("--hold", action="store_true")
    ap.add_argument("--auto", action="store_true")
    ap.add_argument("--heavy", action="store_true")
    case, sys.argv[1:] = ap.parse_known_args()
    setup = e2e.prepare(case.viewer)
    if setup is None:
        return e2e.SKIP
    args, out, home, folder = setup
    pdf = os.path.join(out, "blank.pdf")
    with open(pdf, "wb") as f:
        f.write(pages.pdf_bytes(PAGES, blank=BLANK, heavy=600 if case.heavy else 0))
    procs = e2e.Processes(out)
    try:
        return drive(args, case, procs, out, home, folder, pdf)
    finally:
        procs.stop_all()


def page_shown(path):
    """The page whose colour a picture shows, "blank" for white (not the grey
    around a viewer's page), else the colour itself."""
    colour = pages.dominant_colour(pages.read_ppm(path)[2])
    return pages.page_of_colour(colour) or ("blank" if min(colour) >= 250 else colour)


class Watch:
    """The caption and the pictures, read on every poll: when each count of
    pictures was first seen, and how many there were when ✓ first showed."""

    def __init__(self, main_wid, folder):
        self.main_wid, self.folder = main_wid, folder
        self.tick_at = None
        self.times = {}  # picture count: when it was first seen

    def caption(self):
        return e2e.xdotool("getwindowname", self.main_wid).strip()

    def count(self):
        return len(e2e.numbered_files(self.folder)[0])

    def poll(self):
        caption, count = self.caption(), self.count()
        self.times.setdefault(count, time.monotonic())
        if self.tick_at is None and "✓" in caption:
            self.tick_at = (count, caption)
        return caption, count


def hold_in_the_middle(checks, watch, doc, other):
    """The user clicks into another window, then back."""
    info = e2e.window_info(other)
    e2e.xdotool("mousemove", info["x"] + 10, info["y"] + 5)
    e2e.xdotool("click", 1)
    e2e.wait_until(lambda: e2e.focused_window() == other, 5, "the focus in the other window")
    e2e.wait_until(lambda: "文档不在前台" in watch.poll()[0], 5,
                   "the status saying why the run holds")
    held_at = watch.count()
    # Watched for a while: a run that did not hold would save more.
    most, until = held_at, time.monotonic() + HOLD_S
    while time.monotonic() < until:
        most = max(most, watch.poll()[1])
    checks.check(most == held_at, f"nothing saved while held ({held_at}, then {most})")
    e2e.xdotool("windowactivate", "--sync", doc)


def choose_auto(main_wid, doc):
    """"自动" from the right-click menu, by its keys as a user may: the third
    item opens the tick's submenu, whose fifth item is "自动"."""
    info = e2e.window_info(main_wid)
    e2e.xdotool("mousemove", info["x"] + e2e.BUTTON_CENTRE[0], info["y"] + e2e.BUTTON_CENTRE[1])
    for keys in ((), ("Down", "Down", "Down", "Right")):
        before = set(e2e.top_level_windows())
        if keys:
            e2e.xdotool("key", *keys)
        else:
            e2e.xdotool("click", 3)
        e2e.wait_until(lambda: set(e2e.top_level_windows()) - before, 5, "a menu shown")
    e2e.xdotool("key", "Down", "Down", "Down", "Down", "Return")
    e2e.xdotool("windowactivate", "--sync", doc)
    e2e.wait_until(lambda: e2e.focused_window() == doc, 5, "the focus back in the document")


def drive(args, case, procs, out, home, folder, pdf):
    checks = Checks()
    if case.hold:
        procs.start("xmessage", ["xmessage", "-geometry", "-0-0", "elsewhere"])
        other = e2e.wait_window(15, "the other window", "--class", "Xmessage")
    doc, rect = viewers.SHOW[case.viewer](procs, pdf, INSET, out)
    pagerook, main_wid = e2e.start_pagerook(procs, args.pagerook, home)
    if case.auto:
        choose_auto(main_wid, doc)
    released = e2e.start_run(main_wid, rect)
    watch = Watch(main_wid, folder)
    e2e.wait_until(lambda: watch.poll()[1] >= 3, 20, "three pages")
    e2e.screenshot(os.path.join(out, "screen-running.png"))
    if case.hold:
        hold_in_the_middle(checks, watch, doc, other)

    # Whichever way the run ends, it says so in one line.
    try:
        e2e.wait_until(lambda: watch.poll() and " saved in " in procs.log_text("pagerook"), 45,
                       "the end of the run")
    except TimeoutError as error:
        checks.check(False, str(error))
    said = procs.log_text("pagerook").strip()
    checks.check(f"{PAGES} pages saved in {folder} (end of the document)" in said,
                 f"the run ends by itself after the last page ({said!r})")
    log(f"the run ended {time.monotonic() - released:.1f} s after the release")
    e2e.screenshot(os.path.join(out, "screen-end.png"))
    numbered, other_files = e2e.numbered_files(folder)
    checks.check(sorted(numbered) == list(range(PAGES)),
                 f"every page saved once, numbered in order ({sorted(numbered)}, {other_files})")
    for n in sorted(numbered):
        want = "blank" if n + 1 in BLANK else n + 1
        shown = page_shown(os.path.join(folder, f"{n}.jpg"))
        checks.check(shown == want, f"{n}.jpg shows page {n + 1} ({shown})")
    caption, _ = watch.poll()
    checks.check(caption == f"Pagerook {PAGES} ✓", f"the caption ends with ✓ ({caption})")
    checks.check(watch.tick_at is not None and watch.tick_at[0] == PAGES,
                 f"✓ shows only once all {PAGES} pictures are saved (first seen with "
                 f"{watch.tick_at})")
    if not case.hold and not case.auto:
        seen = [watch.times[n] for n in range(3, PAGES + 1) if n in watch.times]
        gaps = [b - a for a, b in zip(seen, seen[1:])]
        checks.check(len(gaps) == PAGES - 3 and all(1.2 < g < 2.2 for g in gaps),
                     "one picture every 1.5 s (" + ", ".join(f"{g:.2f}" for g in gaps) + ")")
    return checks.exit_status()


if __name__ == "__main__":
    sys.exit(main())
