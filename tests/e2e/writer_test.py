#!/usr/bin/python3
"""The real program pages a document in LibreOffice Writer and saves each page
as a picture.

  writer_test.py --pagerook BIN --close-window BIN --out DIR

Run it inside tests/support/with-xvfb. Writer runs on a private profile that
shows no first-start dialog, on a fresh copy of the generated document. Exits
77 (skipped) when Writer is missing or its view is not the one the test was
built for.
"""

import glob
import os
import subprocess
import sys
import time

import e2e
import pages
from e2e import Checks, log

PAGES_WANTED = 4

PROFILE = """<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry"
 xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
{items}
</oor:items>
"""
SETTINGS = [
    ("/org.openoffice.Setup/Office", "ooSetupInstCompleted", "true"),
    ("/org.openoffice.Setup/Product", "ooSetupLastVersion", "{version}"),
    ("/org.openoffice.Office.Common/Misc", "FirstRun", "false"),
    ("/org.openoffice.Office.Common/Misc", "ShowTipOfTheDay", "false"),
    ("/org.openoffice.Office.Recovery/AutoSave", "Enabled", "false"),
    ("/org.openoffice.Office.Recovery/RecoveryInfo", "Enabled", "false"),
    ("/org.openoffice.Office.Jobs/Jobs/org.openoffice.Office.Jobs:Job['UpdateCheck']/Arguments",
     "AutoCheckEnabled", "false"),
]

# Where, in a maximised Writer window on a 1920x1080 screen at 100 %, every
# page shows after Ctrl+Home or a Page Down: a rectangle inside the page's
# colour, holding the top of its number and clear of the text cursor, which
# sits in the body below the number.
RECT_IN_WINDOW = (800, 211, 500, 770)


def writer_version():
    out = e2e.run("dpkg-query", "-W", "-f=${Version}", "libreoffice-writer")
    version = out.split(":")[-1].split("-")[0]
    return ".".join(version.split(".")[:2])


def write_profile(profile):
    user = os.path.join(profile, "user")
    os.makedirs(user)
    version = writer_version()
    items = "\n".join(
        f'<item oor:path="{path}"><prop oor:name="{name}" oor:op="fuse">'
        f"<value>{value.format(version=version)}</value></prop></item>"
        for path, name, value in SETTINGS)
    with open(os.path.join(user, "registrymodifications.xcu"), "w") as f:
        f.write(PROFILE.format(items=items))


def wait_still(rect, out):
    """Waits until two looks in a row at the rectangle show the same picture
    (Writer scrolls smoothly); a blinking text cursor may differ."""
    looks = [os.path.join(out, "still-0.png"), os.path.join(out, "still-1.png")]
    taken = []

    def still():
        taken.append(e2e.screenshot(looks[len(taken) % 2], rect))
        if len(taken) < 2:
            return False
        compare = subprocess.run(["compare-im6.q16", "-metric", "AE", "-fuzz", "10%", taken[-2],
                                  taken[-1], "null:"], capture_output=True, text=True)
        differing = compare.stderr.split()[0] if compare.stderr.split() else "?"
        return differing.replace(".", "", 1).isdigit() and float(differing) <= 100

    e2e.wait_until(still, 10, "Writer's view to stand still", interval=0.1)


def shown_page(rect, out, name):
    return pages.page_of_picture(e2e.screenshot(os.path.join(out, name), rect))


def main():
    setup = e2e.prepare("soffice")
    if setup is None:
        return e2e.SKIP
    args, out, home, folder = setup
    profile = os.path.join(out, "profile")
    write_profile(profile)
    document = os.path.join(out, "pages.fodt")
    with open(document, "w", encoding="utf-8") as f:
        f.write(pages.fodt_text())

    procs = e2e.Processes(out)
    try:
        return drive(args, procs, out, home, folder, profile, document)
    finally:
        procs.stop_all()
        for lock in glob.glob(os.path.join(out, ".~lock.*#")):
            os.remove(lock)


def drive(args, procs, out, home, folder, profile, document):
    checks = Checks()
    # Writer gets a HOME of its own so that nothing of it lands in the
    # capture folder's parent.
    writer_home = os.path.join(out, "writer-home")
    os.makedirs(writer_home)
    writer = procs.start(
        "writer",
        ["soffice", f"-env:UserInstallation=file://{profile}", "--norestore", "--nologo",
         "--nodefault", "--writer", document],
        env=dict(os.environ, HOME=writer_home, SAL_USE_VCLPLUGIN="gen"))
    doc = e2e.wait_window(60, "the Writer window", "--name", "pages.fodt")
    e2e.xdotool("windowactivate", "--sync", doc)
    e2e.wait_until(lambda: e2e.focused_window() == doc, 10, "focus in Writer")
    view = e2e.wait_until(
        lambda: (v := e2e.window_info(doc))["width"] > 1800 and v["height"] > 1000 and v, 20,
        "Writer's window to be maximised")
    time.sleep(2)
    log(f"Writer window {doc}: {view['width']}x{view['height']} at {view['x']},{view['y']}")
    rect = (view["x"] + RECT_IN_WINDOW[0], view["y"] + RECT_IN_WINDOW[1], RECT_IN_WINDOW[2],
            RECT_IN_WINDOW[3])
    doc_rect = (view["x"], view["y"], view["width"], view["height"])

    def page_down(page):
        e2e.xdotool("key", "Next")
        try:
            e2e.wait_until(lambda: shown_page(rect, out, "probe.png") == page, 10,
                           f"Writer to show page {page}")
        except TimeoutError as error:
            # Said, not swallowed: the run is then skipped with this reason.
            paging.check(False, str(error))
            return
        wait_still(rect, out)

    # Writer scrolls by about a screen on Page Down; the test needs it to
    # bring one page after the other into the rectangle.
    paging = Checks()
    e2e.take_references(out, rect, doc_rect, PAGES_WANTED, page_down, paging)
    if paging.failures:
        log("SKIP: Page Down in this Writer does not show one page after the other where the "
            "test looks for it; see " + out)
        return e2e.SKIP
    # Writer now shows a later page: the Ctrl+Home that Pagerook sends on its
    # first capture must bring page 1 back before the screen is frozen.
    checks.check(shown_page(rect, out, "probe.png") != 1, "Writer left on a later page")
    keep = e2e.fill_capture_folder(home, folder)

    pagerook, main_wid = e2e.start_pagerook(procs, args.pagerook, home)
    time.sleep(0.5)
    e2e.check_main_window(checks, main_wid, doc, "Writer")

    # Writer's scrolling after Ctrl+Home differs by a few pixels from the
    # one after opening, so the references are taken during the run: the
    # view stands still for 1.2 s after each picture.
    refs = {}

    # 0.jpg is written as the overlay leaves: the frozen picture, outline and
    # all, can still be on the screen a moment after the file appears.
    def on_file(n):
        refs[n + 1] = e2e.settled_screenshot(os.path.join(out, f"live-{n + 1}.png"), rect)

    left, top = rect[0], rect[1]
    right, bottom = rect[0] + rect[2], rect[1] + rect[3]
    seen = e2e.capture_run(main_wid, (right, bottom), (left, top), PAGES_WANTED, folder, out,
                           on_file)
    time.sleep(3)
    e2e.check_run(checks, seen, folder, keep, rect, refs, None, doc_rect, PAGES_WANTED, doc,
                  "Writer", out)
    e2e.close_pagerook(checks, procs, args.close_window, pagerook, main_wid)

    e2e.xdotool("key", "ctrl+q")
    try:
        writer.wait(20)
    except subprocess.TimeoutExpired:
        checks.check(False, "Writer quits on ctrl+q")
    return checks.exit_status()


if __name__ == "__main__":
    sys.exit(main())
