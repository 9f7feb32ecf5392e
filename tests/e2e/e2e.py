"""What the end-to-end drivers share: processes they start and stop, the X
tools they drive (xdotool, xwininfo, ImageMagick), and one capture run of the
real program against a document window."""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pages  # noqa: E402

CAPTURE_FOLDER = "截图"
BUTTON_CENTRE = (24 + 20, 8 + 12)  # client pixels of the "截图" button's middle
MAIN_CLIENT_SIZE = (145, 40)
SKIP = 77


def log(*args):
    print(*args, flush=True)


class Processes:
    """The processes a driver starts; stop_all() ends exactly those, newest
    first, by their own pids."""

    def __init__(self, log_dir):
        self.log_dir = log_dir
        self.started = []

    def start(self, name, argv, **kwargs):
        out = open(os.path.join(self.log_dir, f"{name}.log"), "wb")
        proc = subprocess.Popen(argv, stdout=out, stderr=subprocess.STDOUT, **kwargs)
        out.close()
        proc.name = name
        self.started.append(proc)
        return proc

    def stop(self, proc, timeout=5):
        if proc.poll() is None:
            proc.send_signal(signal.SIGTERM)
            try:
                proc.wait(timeout)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
        if proc in self.started:
            self.started.remove(proc)

    def stop_all(self):
        for proc in reversed(list(self.started)):
            self.stop(proc)

    def log_text(self, name):
        try:
            with open(os.path.join(self.log_dir, f"{name}.log"), encoding="utf-8",
                      errors="replace") as f:
                return f.read()
        except OSError:
            return ""


def run(*argv):
    return subprocess.run(argv, check=True, capture_output=True, text=True).stdout


def xdotool(*args):
    return run("xdotool", *map(str, args))


def wait_until(predicate, timeout, what, interval=0.05):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise TimeoutError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def window_info(wid):
    """Absolute position of the client area, its size, map state and whether
    the window is override-redirect, from xwininfo."""
    out = subprocess.run(["xwininfo", "-id", str(wid)], capture_output=True, text=True).stdout
    if not out:
        return None

    def field(label):
        m = re.search(rf"^\s*{label}:\s*(.+)$", out, re.M)
        return m.group(1).strip() if m else ""

    return {
        "x": int(field("Absolute upper-left X") or 0),
        "y": int(field("Absolute upper-left Y") or 0),
        "width": int(field("Width") or 0),
        "height": int(field("Height") or 0),
        "viewable": field("Map State") == "IsViewable",
        "override": field("Override Redirect State") == "yes",
    }


def find_windows(*search):
    out = subprocess.run(["xdotool", "search", *map(str, search)], capture_output=True, text=True).stdout
    return [int(w) for w in out.split()]


def wait_window(timeout, what, *search):
    return wait_until(lambda: (find_windows("--onlyvisible", *search) or [None])[0], timeout, what)


def top_level_windows():
    out = run("xwininfo", "-root", "-children")
    return [int(m, 16) for m in re.findall(r"^\s+(0x[0-9a-f]+)", out, re.M)]


def screen_size():
    out = run("xwininfo", "-root")
    return (int(re.search(r"Width: (\d+)", out).group(1)),
            int(re.search(r"Height: (\d+)", out).group(1)))


def fullscreen_overlay():
    """A viewable override-redirect window covering the whole screen, if any."""
    width, height = screen_size()
    for wid in top_level_windows():
        info = window_info(wid)
        if (info and info["viewable"] and info["override"] and info["x"] == 0
                and info["y"] == 0 and info["width"] == width and info["height"] == height):
            return wid
    return None


def focused_window():
    return int(xdotool("getwindowfocus").strip())


def screenshot(path, rect=None):
    """The screen, or one rectangle (x, y, w, h) of it, as a picture file."""
    argv = ["import-im6.q16", "-window", "root"]
    if rect:
        x, y, w, h = rect
        argv += ["-crop", f"{w}x{h}+{x}+{y}", "+repage"]
    subprocess.run(argv + [path], check=True, capture_output=True)
    return path


def settled_screenshot(path, rect, timeout=3):
    """A screenshot of rect once our overlay has left the screen and two shots
    50 ms apart agree: the window beneath repaints what the overlay covered
    in its own time."""
    wait_until(lambda: fullscreen_overlay() is None, timeout, "the overlay to leave")
    before = screenshot(path + ".before.png", rect)

    def agrees():
        screenshot(path, rect)
        same = subprocess.run(["compare-im6.q16", "-metric", "AE", before, path, "null:"],
                              capture_output=True).returncode == 0
        if not same:
            os.replace(path, before)
        return same

    wait_until(agrees, timeout, f"a still screen at {rect}")
    os.remove(before)
    return path


def picture_size(path):
    out = run("identify-im6.q16", "-format", "%m %w %h", path)
    kind, w, h = out.split()
    return kind, int(w), int(h)


def difference(path_a, path_b, threshold=40):
    """How two same-size pictures differ: the mean absolute channel difference,
    and the share of pixels in which some channel differs by more than
    threshold, over the whole picture and in its worst row and column (an
    outline drawn into a picture shows as one bad row or column)."""
    wa, ha, a = pages.read_ppm(path_a)
    wb, hb, b = pages.read_ppm(path_b)
    if (wa, ha) != (wb, hb):
        return {"size_mismatch": ((wa, ha), (wb, hb))}
    total = 0
    bad = 0
    bad_rows = [0] * ha
    bad_cols = [0] * wa
    for y in range(ha):
        row = y * wa * 3
        for x in range(wa):
            i = row + x * 3
            d0 = abs(a[i] - b[i])
            d1 = abs(a[i + 1] - b[i + 1])
            d2 = abs(a[i + 2] - b[i + 2])
            total += d0 + d1 + d2
            if d0 > threshold or d1 > threshold or d2 > threshold:
                bad += 1
                bad_rows[y] += 1
                bad_cols[x] += 1
    return {
        "mean": total / (wa * ha * 3),
        "bad": bad / (wa * ha),
        "worst_row": max(bad_rows) / wa,
        "worst_col": max(bad_cols) / ha,
    }


def same_picture(diff):
    """A JPEG of a region against a lossless screenshot of the same region."""
    return ("size_mismatch" not in diff and diff["mean"] < 4 and diff["bad"] < 0.002
            and diff["worst_row"] < 0.05 and diff["worst_col"] < 0.05)


def numbered_files(folder):
    """The n.jpg files in folder, by number, and every other name in it."""
    numbered, other = {}, []
    try:
        names = os.listdir(folder)
    except FileNotFoundError:
        return numbered, other
    for name in names:
        m = re.fullmatch(r"(\d+)\.jpg", name)
        if m:
            numbered[int(m.group(1))] = name
        else:
            other.append(name)
    return numbered, sorted(other)


class Checks:
    def __init__(self):
        self.failures = []

    def check(self, ok, what):
        log(("  ok    " if ok else "  FAIL  ") + what)
        if not ok:
            self.failures.append(what)
        return ok

    def exit_status(self):
        if self.failures:
            log(f"{len(self.failures)} check(s) failed:")
            for f in self.failures:
                log("  - " + f)
            return 1
        log("all checks passed")
        return 0


def prepare(document_program):
    """The test's arguments, and a fresh output folder holding the empty capture
    folder of a private HOME; None when a program the test needs is missing."""
    ap = argparse.ArgumentParser()
    ap.add_argument("--pagerook", required=True)
    ap.add_argument("--close-window", required=True)
    ap.add_argument("--out", required=True)
    args = ap.parse_args()
    args.pagerook = os.path.abspath(args.pagerook)
    args.close_window = os.path.abspath(args.close_window)
    for tool in (document_program, "xdotool", "xwininfo", "import-im6.q16", "identify-im6.q16"):
        if not shutil.which(tool):
            log(f"SKIP: {tool} is not installed")
            return None
    out = os.path.abspath(args.out)
    shutil.rmtree(out, ignore_errors=True)
    home = os.path.join(out, "home")
    folder = os.path.join(home, CAPTURE_FOLDER)
    os.makedirs(folder)
    return args, out, home, folder


def start_pagerook(procs, binary, home):
    env = dict(os.environ, HOME=home)
    proc = procs.start("pagerook", [binary], env=env, cwd=home)
    wid = wait_window(15, "the Pagerook window", "--name", "^Pagerook$")
    return proc, wid


def show_in_mupdf(procs, pdf, inset, name="mupdf"):
    """Opens `pdf` in mupdf with the keyboard focus; returns its window and the
    rectangle (left, top, right, bottom) `inset` pixels inside it."""
    procs.start(name, ["mupdf", "-r", "72", pdf])
    doc = wait_window(15, "the mupdf window", "--class", "mupdf")
    xdotool("windowactivate", "--sync", doc)
    wait_until(lambda: focused_window() == doc, 5, "focus in mupdf")
    view = window_info(doc)
    return doc, (view["x"] + inset[0], view["y"] + inset[1],
                 view["x"] + view["width"] - inset[0], view["y"] + view["height"] - inset[1])


def start_run(main_wid, rect):
    """Clicks 截图 and drags `rect` over the frozen screen; returns when the
    button was released."""
    left, top, right, bottom = rect
    info = window_info(main_wid)
    xdotool("mousemove", info["x"] + BUTTON_CENTRE[0], info["y"] + BUTTON_CENTRE[1])
    xdotool("click", 1)
    wait_until(fullscreen_overlay, 10, "the full-screen overlay")
    xdotool("mousemove", left, top)
    xdotool("mousedown", 1)
    xdotool("mousemove", (left + right) // 2, (top + bottom) // 2)
    xdotool("mousemove", right, bottom)
    xdotool("mouseup", 1)
    return time.monotonic()


def capture_run(main_wid, press, release, files_wanted, folder, out_dir, on_file=None):
    """Clicks "截图", drags from press to release, waits for files_wanted
    numbered files, then presses Esc. Returns what it saw on the way."""
    seen = {"shots": {}}
    info = window_info(main_wid)
    bx, by = info["x"] + BUTTON_CENTRE[0], info["y"] + BUTTON_CENTRE[1]
    xdotool("mousemove", bx, by)
    xdotool("click", 1)
    seen["overlay"] = wait_until(fullscreen_overlay, 10, "the full-screen overlay")
    seen["main_hidden_during_selection"] = not window_info(main_wid)["viewable"]
    seen["shots"]["overlay"] = screenshot(os.path.join(out_dir, "screen-overlay.png"))

    xdotool("mousemove", *press)
    xdotool("mousedown", 1)
    steps = 8
    for i in range(1, steps + 1):
        x = press[0] + (release[0] - press[0]) * i // steps
        y = press[1] + (release[1] - press[1]) * i // steps
        xdotool("mousemove", x, y)
        time.sleep(0.03)
    seen["shots"]["drag"] = screenshot(os.path.join(out_dir, "screen-drag.png"))
    xdotool("mouseup", 1)
    released = time.monotonic()

    times = {}

    def progress():
        numbered, _ = numbered_files(folder)
        for n in numbered:
            if n not in times:
                times[n] = time.monotonic() - released
                if on_file:
                    on_file(n)
        return len(numbered) >= files_wanted

    wait_until(progress, 4 + 2 * files_wanted, f"{files_wanted} pictures in {folder}", 0.02)
    seen["times"] = dict(sorted(times.items()))
    seen["focus_before_esc"] = focused_window()
    xdotool("key", "Escape")
    seen["esc_after_last"] = time.monotonic() - released - max(times.values())
    seen["files_at_esc"] = sorted(numbered_files(folder)[0])
    seen["main_viewable_after"] = window_info(main_wid)["viewable"]
    seen["overlay_after"] = fullscreen_overlay()
    return seen


def take_references(out, rect, doc_rect, pages_wanted, next_page, checks):
    """Screenshots of the rectangle and of the document's view for pages 1 to
    pages_wanted + 1, turning pages with next_page(page)."""
    refs, view_refs = {}, {}
    for page in range(1, pages_wanted + 2):
        if page > 1:
            next_page(page)
        refs[page] = screenshot(os.path.join(out, f"ref-{page}.png"), rect)
        view_refs[page] = screenshot(os.path.join(out, f"ref-view-{page}.png"), doc_rect)
        checks.check(pages.page_of_picture(refs[page]) == page,
                     f"the reference of page {page} shows page {page}")
    return refs, view_refs


def fill_capture_folder(home, folder):
    """Leftovers that the run must delete, and a file beside the folder that
    it must keep."""
    os.makedirs(folder, exist_ok=True)
    for name in ("old.jpg", "7.jpg", "notes.txt"):
        with open(os.path.join(folder, name), "w") as f:
            f.write("left over from an earlier run\n")
    keep = os.path.join(home, "keep.txt")
    with open(keep, "w") as f:
        f.write("outside the capture folder\n")
    return keep


def check_main_window(checks, main_wid, doc, what):
    main = window_info(main_wid)
    log(f"Pagerook window {main_wid}: {main['width']}x{main['height']} at {main['x']},{main['y']}")
    checks.check((main["width"], main["height"]) == MAIN_CLIENT_SIZE,
                 f"the main window's client is 145x40 (is {main['width']}x{main['height']})")
    checks.check(main["x"] < 20 and main["y"] < 120, "the main window sits at the top-left corner")
    checks.check(focused_window() == doc, f"starting the program leaves the focus in {what}")


def describe(diff):
    if "size_mismatch" in diff:
        return f"sizes {diff['size_mismatch']}"
    return (f"mean {diff['mean']:.2f}, off pixels {diff['bad'] * 100:.3f}%, worst row "
            f"{diff['worst_row'] * 100:.1f}%, worst column {diff['worst_col'] * 100:.1f}%")


def check_run(checks, seen, folder, keep, rect, refs, view_refs, doc_rect, pages_wanted,
              doc, what, out):
    """Everything a capture run must have done, once Esc went 3 s ago. refs[p]
    is what the dragged rectangle showed on page p; view_refs[p], if given,
    what the document's whole view showed."""
    files_later, other_later = numbered_files(folder)
    log("pictures appeared at (s after release): "
        + ", ".join(f"{n}.jpg {t:.2f}" for n, t in seen["times"].items()))
    log(f"Esc went {seen['esc_after_last']:.2f} s after the last picture")

    checks.check(seen["main_hidden_during_selection"], "the main window is hidden while selecting")
    checks.check(seen["overlay_after"] is None, "the overlay is gone after the drag")
    checks.check(seen["main_viewable_after"], "the main window is back after the drag")
    checks.check(seen["focus_before_esc"] == doc, f"the focus stayed in {what} through the run")

    files = seen["files_at_esc"]
    checks.check(files == list(range(len(files))) and len(files) >= pages_wanted,
                 f"the pictures are numbered from 0 without gaps ({files})")
    checks.check(sorted(files_later) == files,
                 f"no picture appears after Esc (after 3 s: {sorted(files_later)})")
    checks.check(other_later == [], f"the capture folder holds nothing else ({other_later})")
    checks.check(os.path.exists(keep), "a file beside the capture folder is left alone")

    times = list(seen["times"].values())
    checks.check(times[0] < 1.0, f"0.jpg is saved at once on release ({times[0]:.2f} s)")
    gaps = [b - a for a, b in zip(times, times[1:])]
    checks.check(all(1.2 < g < 2.2 for g in gaps),
                 "one picture every 1.5 s (" + ", ".join(f"{g:.2f}" for g in gaps) + ")")

    for n in range(pages_wanted):
        path = os.path.join(folder, f"{n}.jpg")
        kind, w, h = picture_size(path)
        checks.check(kind == "JPEG" and (w, h) == (rect[2], rect[3]),
                     f"{n}.jpg is a JPEG of the dragged size {rect[2]}x{rect[3]} ({kind} {w}x{h})")
        shown = pages.page_of_picture(path)
        checks.check(shown == n + 1, f"{n}.jpg shows page {n + 1} (its colour is page {shown}'s)")
        diff = difference(path, refs[n + 1])
        checks.check(same_picture(diff),
                     f"{n}.jpg is exactly the dragged region of page {n + 1}, nothing of "
                     f"Pagerook's windows in it ({describe(diff)})")

    # One Page Down per picture after the first, nothing else: the view must
    # be the reference view of that page (a click or drag that reached the
    # document would have moved, selected or zoomed something).
    expected = len(files)
    allowed = [expected, expected + 1] if seen["esc_after_last"] > 1.0 else [expected]
    if view_refs:
        now = screenshot(os.path.join(out, "view-after.png"), doc_rect)
        matches = [p for p, ref in view_refs.items()
                   if "size_mismatch" not in (d := difference(now, ref)) and d["bad"] < 0.001]
        checks.check(len(matches) == 1 and matches[0] in allowed,
                     f"{what} moved by Page Down only: its view after the run is reference "
                     f"page {matches or 'none'}, expected {allowed}")
    else:
        now = screenshot(os.path.join(out, "rect-after.png"), rect)
        # Esc more than a second after the last picture may come after one
        # more Page Down, or just before it.
        diffs = {p: difference(now, refs[p]) for p in allowed if p in refs}
        matches = [p for p, d in diffs.items() if same_picture(d)]
        checks.check(len(matches) == 1,
                     f"{what} moved by Page Down only after the last picture: its rectangle "
                     f"shows reference page {matches or 'none'}, expected one of {allowed} "
                     f"({', '.join(f'{p}: {describe(d)}' for p, d in diffs.items())})")
    screenshot(os.path.join(out, "screen-after.png"))


def close_pagerook(checks, procs, close_window, proc, main_wid):
    run(close_window, str(main_wid))
    try:
        code = proc.wait(5)
        checks.check(code == 0, f"closing the main window ends the program with 0 ({code})")
    except subprocess.TimeoutExpired:
        checks.check(False, "closing the main window ends the program within 5 s")
    said = procs.log_text("pagerook").strip()
    if said:
        log("pagerook said:\n" + said)
