#!/usr/bin/python3
"""A stand-in for the desktop's portal (org.freedesktop.portal.Desktop) on the
test's private session bus, speaking the global-shortcuts interface as the
portal documents it: each request answered by a Response signal on the
request's own path, sent before the reply to the call itself, as a fast
portal may. Beside it, org.pagerook.FakePortal lets the test press the
shortcut, bind it to another key as a user would in the desktop's settings,
and see which sessions were closed.

  fake_portal.py MODE
MODE: esc      binds "stop" to a key it describes as "Esc"
      other    binds it to "Ctrl+Alt+S"
      refuse   the user declines the binding (response 1)
      bare     the portal without the global-shortcuts interface
"""

import sys

from gi.repository import Gio, GLib

PATH = "/org/freedesktop/portal/desktop"
SHORTCUTS = "org.freedesktop.portal.GlobalShortcuts"
INTERFACES = f"""<node>
  <interface name="{SHORTCUTS}">
    <method name="CreateSession">
      <arg type="a{{sv}}" direction="in"/><arg type="o" direction="out"/>
    </method>
    <method name="BindShortcuts">
      <arg type="o" direction="in"/><arg type="a(sa{{sv}})" direction="in"/>
      <arg type="s" direction="in"/><arg type="a{{sv}}" direction="in"/>
      <arg type="o" direction="out"/>
    </method>
    <property name="version" type="u" access="read"/>
  </interface>
  <interface name="org.freedesktop.portal.Session"><method name="Close"/></interface>
  <interface name="org.pagerook.FakePortal">
    <method name="Press"><arg type="s" name="id" direction="in"/>
      <arg type="b" name="foreign_session" direction="in"/></method>
    <method name="Closed"><arg type="as" direction="out"/></method>
    <method name="Rebind"><arg type="s" name="trigger" direction="in"/></method>
  </interface>
</node>"""
TRIGGERS = {"esc": "Esc", "other": "Ctrl+Alt+S"}

mode = sys.argv[1]
info = Gio.DBusNodeInfo.new_for_xml(INTERFACES)
bus = Gio.bus_get_sync(Gio.BusType.SESSION)
sessions = []
closed = []


def request_path(invocation, options):
    sender = invocation.get_sender().lstrip(":").replace(".", "_")
    token = options["handle_token"]
    return f"{PATH}/request/{sender}/{token}", sender


def respond(path, code, results):
    bus.emit_signal(None, path, "org.freedesktop.portal.Request", "Response",
                    GLib.Variant("(ua{sv})", (code, results)))


def wanted(shortcuts):
    """What is wrong with the shortcuts asked for, or ''."""
    if len(shortcuts) != 1 or shortcuts[0][0] != "stop":
        return f"one shortcut 'stop' expected, got {shortcuts}"
    asked = shortcuts[0][1]
    if asked.get("preferred_trigger") != "Escape" or not asked.get("description"):
        return f"a description and the preferred trigger Escape expected, got {asked}"
    return ""


def on_call(conn, sender, path, interface, method, args, invocation):
    args = args.unpack()
    if method == "CreateSession":
        request, who = request_path(invocation, args[0])
        session = f"{PATH}/session/{who}/{args[0]['session_handle_token']}"
        conn.register_object(session, info.lookup_interface("org.freedesktop.portal.Session"),
                             on_call, None, None)
        sessions.append(session)
        respond(request, 0, {"session_handle": GLib.Variant("s", session)})
        invocation.return_value(GLib.Variant("(o)", (request,)))
    elif method == "BindShortcuts":
        session, shortcuts, _, options = args
        request, _ = request_path(invocation, options)
        wrong = "unknown session" if session not in sessions else wanted(shortcuts)
        if wrong:
            print("fake_portal:", wrong, file=sys.stderr, flush=True)
            respond(request, 2, {})
        elif mode == "refuse":
            respond(request, 1, {})
        else:
            bound = {"description": GLib.Variant("s", shortcuts[0][1]["description"]),
                     "trigger_description": GLib.Variant("s", TRIGGERS[mode])}
            respond(request, 0, {"shortcuts": GLib.Variant("a(sa{sv})", [("stop", bound)])})
        invocation.return_value(GLib.Variant("(o)", (request,)))
    elif method == "Close":
        closed.append(path)
        invocation.return_value(None)
    elif method == "Press":
        shortcut, foreign = args
        for session in sessions:
            conn.emit_signal(None, PATH, SHORTCUTS, "Activated",
                             GLib.Variant("(osta{sv})",
                                          (session + ("x" if foreign else ""), shortcut,
                                           GLib.get_monotonic_time() // 1000, {})))
        invocation.return_value(None)
    elif method == "Rebind":
        bound = {"description": GLib.Variant("s", "Stop"),
                 "trigger_description": GLib.Variant("s", args[0])}
        for session in sessions:
            conn.emit_signal(None, PATH, SHORTCUTS, "ShortcutsChanged",
                             GLib.Variant("(oa(sa{sv}))", (session, [("stop", bound)])))
        invocation.return_value(None)
    elif method == "Closed":
        invocation.return_value(GLib.Variant("(as)", (closed,)))


def on_property(conn, sender, path, interface, name):
    return GLib.Variant("u", 1)


for interface in info.interfaces:
    if interface.name == SHORTCUTS and mode == "bare":
        continue
    if interface.name != "org.freedesktop.portal.Session":
        bus.register_object(PATH, interface, on_call, on_property, None)
Gio.bus_own_name_on_connection(bus, "org.freedesktop.portal.Desktop", Gio.BusNameOwnerFlags.NONE,
                               None, None)
GLib.MainLoop().run()
