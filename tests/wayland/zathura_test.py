#!/usr/bin/python3
"""The real program pages a PDF in zathura, a native Wayland viewer, on a
headless sway: one click on 截图, one drag with a virtual pointer, then the run
is left alone to the document's end. Every page is saved once, in order, the
run ends by itself at the document's end, and the frozen screen shows none of
our windows. A second run is stopped with the main window's button, a third
with Esc as the desktop's global-shortcuts portal delivers it (a fake portal,
tests/portal/fake_portal.py, on a private session bus).

  zathura_test.py --pagerook BIN --probe BIN --out DIR

Run it inside tests/wayland/with-sway; exits 77 where zathura is missing.
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import pages  # noqa: E402

PAGES = 5
BUTTON_CENTRE = (24 + 20, 8 + 12)  # the 截图 button's middle in the main window, at the corner
INSET = 120  # the dragged rectangle stays inside the page
PORTAL = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "portal")


def wait_until(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while not predicate():
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.05)


def viewer_rect():
    tree = json.loads(subprocess.run(["swaymsg", "-t", "get_tree"], check=True,
                                     capture_output=True, text=True).stdout)
    found = []

    def walk(node):
        if node.get("app_id") == "org.pwmt.zathura":
            found.append(node["rect"])
        for child in node.get("nodes", []) + node.get("floating_nodes", []):
            walk(child)

    walk(tree)
    return found[0] if found else None


def page_at(work, x, y, w, h):
    path = os.path.join(work, "look.png")
    subprocess.run(["grim", "-g", f"{x},{y} {w}x{h}", path], check=True)
    return pages.page_of_picture(path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pagerook", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    for tool in ("zathura", "grim", "swaymsg", "dbus-daemon"):
        if not shutil.which(tool):
            print(f"{tool} is not installed; skipped")
            return 77
    shutil.rmtree(args.out, ignore_errors=True)
    os.makedirs(args.out)
    # Readable by sway's user, who runs zathura.
    work = tempfile.mkdtemp(prefix="pagerook-zathura.")
    os.chmod(work, 0o755)
    procs = []
    try:
        return drive(args, work, procs)
    finally:
        for p in procs:
            if p.poll() is None:
                p.terminate()
                p.wait()
        shutil.rmtree(work, ignore_errors=True)


def show_pdf(work, config, pdf):
    """zathura showing the PDF's first page; the rectangle to drag."""
    viewer = f"env GTK_OVERLAY_SCROLLING=0 zathura -c {config} -P 1 {pdf}"
    subprocess.run(["swaymsg", "exec", viewer], check=True, capture_output=True)
    wait_until(viewer_rect, 10, "the zathura window")
    r = viewer_rect()
    rect = (r["x"] + INSET, r["y"] + INSET, r["width"] // 2, r["height"] - 2 * INSET)
    wait_until(lambda: page_at(work, *rect) == 1, 10, "page 1 in zathura")
    return rect


def drive(args, work, procs):
    pdf = os.path.join(work, "pages.pdf")
    with open(pdf, "wb") as f:
        f.write(pages.pdf_bytes(count=PAGES))
    os.chmod(pdf, 0o644)
    # Without its status bar, which zathura repaints at every key, even at the
    # last page, and without GTK's fading scroll indicator: the run would take
    # either for a page turn and not end at the last page.
    config = os.path.join(work, "zathura")
    os.makedirs(config)
    with open(os.path.join(config, "zathurarc"), "w") as f:
        f.write('set guioptions ""\n')
    os.chmod(config, 0o755)
    os.chmod(os.path.join(config, "zathurarc"), 0o644)
    rect = show_pdf(work, config, pdf)

    home = os.path.join(work, "home")
    os.makedirs(home)
    report = os.path.join(args.out, "stdout")
    out = open(report, "w")
    err = open(os.path.join(args.out, "stderr"), "w")
    # The pointer first: a client hears a seat's new pointer only after a
    # moment, and clicks before that are lost.
    pointer = subprocess.Popen([args.probe, "pointer"], stdin=subprocess.PIPE, text=True)
    procs.append(pointer)

    def point(*steps):
        for step in steps:
            pointer.stdin.write(step + "\n")
        pointer.stdin.flush()

    point("move 640 780")
    wait_until(seat_has_pointer, 5, "the virtual pointer on the seat")
    address, press_stop = portal_bus(procs)
    program = subprocess.Popen([args.pagerook], stdout=out, stderr=err,
                               env=dict(os.environ, HOME=home, DBUS_SESSION_BUS_ADDRESS=address))
    procs.append(program)

    def main_window_shown():
        path = os.path.join(work, "corner.png")
        subprocess.run(["grim", "-g", "0,0 145x40", path], check=True)
        return pages.page_of_picture(path) == 0 and bright(path)

    def start_run():
        wait_until(main_window_shown, 10, "the main window in the top-left corner")
        point(f"move {BUTTON_CENTRE[0]} {BUTTON_CENTRE[1]}", "down", "up")
        # The frozen screen is the screen without our windows.
        wait_until(lambda: not main_window_shown(), 10, "the frozen screen")
        left, top, width, height = rect
        point(f"move {left + width} {top + height}", "down")
        for i in range(1, 9):
            point(f"move {left + width - width * i // 8} {top + height - height * i // 8}")
        point("up")

    def reports():
        return open(report).read().splitlines()

    start_run()
    wait_until(lambda: reports(), 8 + 3 * PAGES, "the end of the run")
    line = reports()[0]
    folder = os.path.join(home, "截图")
    saved = sorted(os.listdir(folder))
    for name in saved:
        shutil.copy(os.path.join(folder, name), args.out)
    wanted = [f"{n}.jpg" for n in range(PAGES)]
    seen = [pages.page_of_picture(os.path.join(folder, name)) for name in wanted if name in saved]
    failures = []
    if saved != wanted:
        failures.append(f"saved {saved}, wanted {wanted}")
    if seen != list(range(1, PAGES + 1)):
        failures.append(f"pages in the pictures: {seen}")
    if not line.startswith(f"{PAGES} pages saved") or "(end of the document)" not in line:
        failures.append(f"the run's end: {line!r}")
    print(f"zathura: {line}; pictures {seen}")

    # The main window's button stops a run.
    subprocess.run(["swaymsg", "[app_id=org.pwmt.zathura] kill"], check=True, capture_output=True)
    wait_until(lambda: not viewer_rect(), 10, "zathura closed")
    rect = show_pdf(work, config, pdf)
    started = time.time()
    start_run()

    def second_page_saved():
        return os.path.exists(os.path.join(folder, "1.jpg")) and \
            os.path.getmtime(os.path.join(folder, "1.jpg")) >= started

    wait_until(second_page_saved, 10, "two pages of the second run")
    point(f"move {BUTTON_CENTRE[0]} {BUTTON_CENTRE[1]}", "down", "up")
    wait_until(lambda: len(reports()) > 1, 10, "the second run stopped")
    line = reports()[1]
    count = len(os.listdir(folder))
    if "stopped" not in line or not line.startswith(f"{count} pages saved") or count >= PAGES:
        failures.append(f"the stopped run: {line!r}, {count} pictures")
    print(f"zathura, stopped: {line}")

    # So does Esc, given by the desktop's portal, as the X11 grab's would.
    started = time.time()
    start_run()
    wait_until(second_page_saved, 10, "two pages of the third run")
    press_stop()
    wait_until(lambda: len(reports()) > 2, 10, "the third run stopped by the portal's Esc")
    line = reports()[2]
    said = open(os.path.join(args.out, "stderr")).read()
    if "(stopped by Esc)" not in line or "Esc cannot be taken" in said:
        failures.append(f"the run stopped by Esc: {line!r}; stderr {said!r}")
    print(f"zathura, Esc: {line}")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


def portal_bus(procs):
    """A private session bus whose fake portal binds Esc: its address, and
    the press of the shortcut."""
    from gi.repository import Gio, GLib
    daemon = subprocess.Popen(
        ["dbus-daemon", f"--config-file={PORTAL}/session.conf", "--nofork", "--print-address"],
        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    procs.append(daemon)
    address = daemon.stdout.readline().strip()
    procs.append(subprocess.Popen(["/usr/bin/python3", f"{PORTAL}/fake_portal.py", "esc"],
                                  env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=address)))
    bus = Gio.DBusConnection.new_for_address_sync(
        address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT |
        Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)

    def call(name, path, interface, method, parameters):
        return bus.call_sync(name, path, interface, method, parameters, None,
                             Gio.DBusCallFlags.NONE, 5000, None).unpack()

    portal = ("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop")
    wait_until(lambda: call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                            "NameHasOwner", GLib.Variant("(s)", (portal[0],)))[0],
               5, "the fake portal")
    return address, lambda: call(*portal, "org.pagerook.FakePortal", "Press",
                                 GLib.Variant("(sb)", ("stop", False)))


def seat_has_pointer():
    seats = json.loads(subprocess.run(["swaymsg", "-t", "get_seats"], check=True,
                                      capture_output=True, text=True).stdout)
    return any(seat["capabilities"] & 1 for seat in seats)


def bright(path):
    """The main window's face is light grey, brighter than the desktop."""
    _, _, pixels = pages.read_ppm(path)
    return sum(pixels) / len(pixels) > 150


if __name__ == "__main__":
    sys.exit(main())
