"""Looks the program's icon up by name the way a GTK window does
(gtk_window_set_default_icon_name), with <share dir> first on
XDG_DATA_DIRS: each hicolor size must be found, and found in <share dir>.

    icon_by_name.py <share dir> <icon name>
"""

import os
import sys


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    share, name = os.path.realpath(argv[0]), argv[1]
    os.environ["XDG_DATA_DIRS"] = share + ":/usr/local/share:/usr/share"
    import gi
    gi.require_version("Gtk", "3.0")
    from gi.repository import Gtk

    theme = Gtk.IconTheme.new()
    failures = []
    for size in [16, 32, 48, 64, 128, 256]:
        info = theme.lookup_icon(name, size, 0)
        found = info.get_filename() if info else None
        wanted = "%s/icons/hicolor/%dx%d/apps/%s.png" % (share, size, size, name)
        if found != wanted:
            failures.append("%s at %d px: found %s, expected %s" % (name, size, found, wanted))
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
