// One Pagerook per X display: an X selection owned by the first one's main
// window. The server drops it when that window or its connection goes, so a
// killed instance leaves nothing stale behind.
#include <X11/Xatom.h>
#include <gdk/gdkx.h>

#include <string>

#include "platform/report.hpp"
#include "platform/x11/x11_platform.hpp"

namespace pr::x11 {

namespace {

// Asks the window manager to mark the window as wanting the user, which it
// shows without moving the keyboard focus.
void demand_attention(Display* display, Window root, Window window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "_NET_WM_STATE", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = 1;  // add
  event.xclient.data.l[1] =
      static_cast<long>(XInternAtom(display, "_NET_WM_STATE_DEMANDS_ATTENTION", False));
  event.xclient.data.l[3] = 1;  // from an application
  XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

}  // namespace

bool X11Platform::claim_instance(WindowId main) {
  main_window_ = main;
  Display* d = display();
  const Win* win = find(main);
  const Window ours = native_window(main);
  if (ours == None) {
    // Nothing to own the claim with; running unguarded beats not running,
    // and the user is told.
    report_error(
        "cannot claim the session: the main window has no X window; a second Pagerook "
        "will not be stopped");
    return true;
  }
  const std::string name = "_PAGEROOK_S" + std::to_string(connection_.screen());
  const Atom selection = XInternAtom(d, name.c_str(), False);
  // Between the look and the claim no other instance may claim it.
  XGrabServer(d);
  Window owner = XGetSelectionOwner(d, selection);
  if (owner == None) {
    GdkWindow* gdk = gtk_widget_get_window(win->built.window.get());
    XSetSelectionOwner(d, selection, ours, gdk_x11_get_server_time(gdk));
    owner = XGetSelectionOwner(d, selection);
  }
  XUngrabServer(d);
  XFlush(d);
  if (owner == ours || owner == None) return true;
  demand_attention(d, connection_.root(), owner);
  XSync(d, False);
  return false;
}

}  // namespace pr::x11
