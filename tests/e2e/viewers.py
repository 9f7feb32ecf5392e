"""The PDF viewers an end-to-end test can page, each set up to show one whole
page at a time so that one Page Down turns exactly one page. Every viewer's
show(procs, pdf, inset, out) returns its window and the rectangle (left, top,
right, bottom) `inset` pixels inside the page it shows, with the keyboard
focus in it."""

import os

import e2e
import pages

# Non-continuous with the page fitted: Page Down shows the next page whole,
# at the same pixels, and does nothing at all on the last one. Evince's
# default (continuous, automatic width) scrolls by a window's height, across
# page boundaries.
EVINCE_SETTINGS = """[org/gnome/evince/default]
continuous=false
dual-page=false
sizing-mode='fit-page'
show-sidebar=false
"""
# Left of the screen's middle, clear of our window at the top-left corner
# and of the bottom-right corner where a test may put another window.
EVINCE_FRAME = (500, 40, 900, 1000)  # x, y, width, height


def show_in_mupdf(procs, pdf, inset, out):
    return e2e.show_in_mupdf(procs, pdf, inset)


def show_in_evince(procs, pdf, inset, out):
    """Evince on X11 with settings of its own: a private HOME and XDG folders,
    GSettings in a key file there (no dconf, no session bus)."""
    home = os.path.join(out, "evince-home")
    config = os.path.join(home, ".config")
    os.makedirs(os.path.join(config, "glib-2.0", "settings"))
    with open(os.path.join(config, "glib-2.0", "settings", "keyfile"), "w") as f:
        f.write(EVINCE_SETTINGS)
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=config,
               XDG_DATA_HOME=os.path.join(home, ".local", "share"),
               XDG_CACHE_HOME=os.path.join(home, ".cache"),
               GSETTINGS_BACKEND="keyfile", GDK_BACKEND="x11")
    procs.start("evince", ["evince", pdf], env=env)
    doc = e2e.wait_window(15, "the evince window", "--class", "^evince$")
    x, y, width, height = EVINCE_FRAME
    e2e.xdotool("windowmove", "--sync", doc, x, y)
    e2e.xdotool("windowsize", "--sync", doc, width, height)
    e2e.xdotool("windowactivate", "--sync", doc)
    e2e.wait_until(lambda: e2e.focused_window() == doc, 5, "focus in evince")
    view = e2e.window_info(doc)
    area = (view["x"], view["y"], view["width"], view["height"])
    shot = os.path.join(out, "evince-first-page.png")

    def first_page():
        # Evince renders in a thread: the page is there once its colour is,
        # and a screen still moving (its "Loading..." spinner) is looked at again.
        try:
            e2e.settled_screenshot(shot, area)
        except TimeoutError:
            return None
        return pages.pages_in_picture(shot, step=4).get(1)

    left, top, right, bottom = e2e.wait_until(first_page, 15, "page 1 drawn in evince")
    return doc, (view["x"] + left + inset[0], view["y"] + top + inset[1],
                 view["x"] + right - inset[0], view["y"] + bottom - inset[1])


SHOW = {"mupdf": show_in_mupdf, "evince": show_in_evince}
