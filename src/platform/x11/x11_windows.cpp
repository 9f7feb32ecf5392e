#include "platform/x11/x11_windows.hpp"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <gdk/gdkx.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace pr::x11 {

namespace {

using namespace std::chrono_literals;

// How long the window manager gets to say how big its frame is; without an
// answer, a guess at a thin border under a title bar.
constexpr auto kFrameAnswerPatience = 300ms;
constexpr Rect kGuessedFrame{1, 22, 2, 23};

bool has_window_manager(const Connection& connection) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool found = false;
  if (XGetWindowProperty(connection.display(), connection.root(),
                         connection.atom("_NET_SUPPORTING_WM_CHECK"), 0, 1, False, XA_WINDOW, &type,
                         &format, &count, &after, &data) == Success) {
    found = type == XA_WINDOW && count == 1;
  }
  if (data) XFree(data);
  return found;
}

}  // namespace

Window xid_of(GtkWidget* window) {
  GdkWindow* gdk = gtk_widget_get_window(window);
  return gdk ? gdk_x11_window_get_xid(gdk) : None;
}

BuiltWindow build_window(const Connection& connection, const WindowDesign& design) {
  const WindowStyle& style = design.style;
  BuiltWindow built =
      gtk::build_window(design, style.decorated ? GTK_WINDOW_TOPLEVEL : GTK_WINDOW_POPUP);
  gtk_widget_realize(built.window.get());

  if (style.decorated && !style.takes_focus) {
    // GDK offers WM_TAKE_FOCUS to every window; a window manager that sees
    // it may hand such a window the focus. This one never takes it.
    Atom protocols[] = {connection.atom("WM_DELETE_WINDOW"), connection.atom("_NET_WM_PING"),
                        connection.atom("_NET_WM_SYNC_REQUEST")};
    XSetWMProtocols(connection.display(), xid_of(built.window.get()), protocols, 3);
  }
  return built;
}

std::optional<Rect> learn_frame_extents(const Connection& connection, GtkWidget* window) {
  if (!has_window_manager(connection)) return std::nullopt;
  Display* display = connection.display();
  const Window xid = xid_of(window);
  // The frame of a fixed-size window has no resize handles: say so before
  // asking (GTK writes the same hints itself only when it maps the window).
  int width = 0, height = 0;
  gtk_window_get_size(GTK_WINDOW(window), &width, &height);
  if (!gtk_window_get_resizable(GTK_WINDOW(window))) {
    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = width;
    hints.min_height = hints.max_height = height;
    XSetWMNormalHints(display, xid, &hints);
  }
  XEvent request{};
  request.xclient.type = ClientMessage;
  request.xclient.window = xid;
  request.xclient.message_type = connection.atom("_NET_REQUEST_FRAME_EXTENTS");
  request.xclient.format = 32;
  XSendEvent(display, connection.root(), False, SubstructureRedirectMask | SubstructureNotifyMask,
             &request);
  XFlush(display);
  const auto deadline = std::chrono::steady_clock::now() + kFrameAnswerPatience;
  while (std::chrono::steady_clock::now() < deadline) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::optional<Rect> found;
    if (XGetWindowProperty(display, xid, connection.atom("_NET_FRAME_EXTENTS"), 0, 4, False,
                           XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
        type == XA_CARDINAL && format == 32 && count == 4) {
      const long* e = reinterpret_cast<const long*>(data);  // left, right, top, bottom
      found = Rect{static_cast<int>(e[0]), static_cast<int>(e[2]), static_cast<int>(e[0] + e[1]),
                   static_cast<int>(e[2] + e[3])};
    }
    if (data) XFree(data);
    if (found) return found;
    std::this_thread::sleep_for(5ms);
  }
  return kGuessedFrame;
}

}  // namespace pr::x11
