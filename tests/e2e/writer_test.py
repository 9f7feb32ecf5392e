#!/usr/bin/python3
"""The real program pages a document in LibreOffice Writer's print preview,
set to one page at a time, saves every page once and in order and ends by
itself after the last.

  writer_test.py --pagerook BIN --close-window BIN --out DIR

Run it inside tests/support/with-xvfb. Writer runs on a private profile that
shows no first-start dialog, on a fresh copy of the generated document. Every
picture must hold one whole page: that page's colour and no other, its edges
where the first page's were, with the preview's grey all round. A picture
that straddles two pages fails. Exits 77 (skipped) when Writer is missing.
"""

import glob
import os
import subprocess
import sys

import e2e
import pages
from e2e import Checks, log

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

# The preview toolbar's first button, "Single Page Preview", in the client of
# a maximised Writer window (measured with Writer 7.4 under openbox).
SINGLE_PAGE_BUTTON = (16, 60)
# The grey the rectangle takes in around the page, on every side.
MARGIN = 12
# How far a page's edge may lie from the first page's, in pixels.
EDGE_SLACK = 2


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
    doc_rect = (view["x"], view["y"], view["width"], view["height"])

    def shown():
        return pages.pages_in_picture(e2e.screenshot(os.path.join(out, "view.png"), doc_rect), 4)

    def wait_shown(wanted, what):
        return e2e.wait_until(lambda: set(frames := shown()) == wanted and frames, 20, what)

    # The view a user sets up: File ▸ Print Preview, then Single Page Preview.
    wait_shown({1}, "Writer to show page 1")
    e2e.xdotool("key", "ctrl+shift+o")
    wait_shown({1, 2}, "the print preview of pages 1 and 2")
    e2e.xdotool("mousemove", view["x"] + SINGLE_PAGE_BUTTON[0], view["y"] + SINGLE_PAGE_BUTTON[1])
    e2e.xdotool("click", 1)
    left, top, right, bottom = wait_shown({1}, "the preview of page 1 alone")[1]
    log(f"page 1 at {left},{top} to {right},{bottom} in Writer's window {doc}")
    rect = (view["x"] + left - MARGIN, view["y"] + top - MARGIN, right - left + 2 * MARGIN,
            bottom - top + 2 * MARGIN)
    frame = pages.pages_in_picture(e2e.screenshot(os.path.join(out, "page-1.png"), rect))[1]

    # Left on a later page: the Ctrl+Home that Pagerook sends before its
    # first capture must bring page 1 back.
    e2e.xdotool("key", "Next", "Next")
    wait_shown({3}, "the preview of page 3")

    pagerook, main_wid = e2e.start_pagerook(procs, args.pagerook, home)
    e2e.check_main_window(checks, main_wid, doc, "Writer")
    e2e.start_run(main_wid, (rect[0], rect[1], rect[0] + rect[2], rect[1] + rect[3]))

    count = pages.PAGE_COUNT
    ended = f"{count} pages saved in {folder} (end of the document)"
    try:
        e2e.wait_until(lambda: ended in procs.log_text("pagerook"), 20 + 3 * count,
                       "the end of the run")
    except TimeoutError as error:
        checks.check(False, str(error))
    numbered, other = e2e.numbered_files(folder)
    checks.check(sorted(numbered) == list(range(count)) and not other,
                 f"{count} pictures numbered from 0 ({sorted(numbered)}, {other})")
    for n in sorted(numbered):
        found = pages.pages_in_picture(os.path.join(folder, numbered[n]))
        edges = found.get(n + 1)
        whole = edges and all(abs(a - b) <= EDGE_SLACK for a, b in zip(edges, frame))
        checks.check(list(found) == [n + 1] and whole,
                     f"{n}.jpg is the whole of page {n + 1} and nothing else (pages and their "
                     f"edges: {found}; page {n + 1}'s edges should be {frame})")
    caption = e2e.xdotool("getwindowname", main_wid).strip()
    checks.check(caption == f"Pagerook {count} ✓", f"the caption shows the end ({caption})")
    e2e.close_pagerook(checks, procs, args.close_window, pagerook, main_wid)

    e2e.xdotool("windowactivate", "--sync", doc)
    e2e.xdotool("key", "ctrl+q")
    try:
        writer.wait(20)
    except subprocess.TimeoutExpired:
        checks.check(False, "Writer quits on ctrl+q")
    return checks.exit_status()


if __name__ == "__main__":
    sys.exit(main())
