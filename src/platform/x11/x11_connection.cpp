#include "platform/x11/x11_connection.hpp"

#include <X11/Xatom.h>
#include <X11/Xresource.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <string_view>

#include "platform/errors.hpp"
#include "platform/report.hpp"

namespace pr::x11 {

namespace {

GdkDisplay* open_gdk() {
  static GdkDisplay* opened = [] {
    g_set_prgname("pagerook");
    // Xlib does the screen grab, the keys and the Esc grab: the program
    // needs X11, and under a Wayland session it gets it through XWayland.
    gdk_set_allowed_backends("x11");
    // No OpenGL: GDK would otherwise load the GL driver (with a software
    // renderer, a compiler) only to choose a visual, which costs start-up
    // time and memory for nothing we draw.
    g_setenv("GDK_GL", "disable", FALSE);
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (!gtk_init_check(nullptr, nullptr)) return static_cast<GdkDisplay*>(nullptr);
    if (wayland && *wayland) {
      report_error(std::string("running through XWayland on ") +
                   gdk_display_get_name(gdk_display_get_default()) +
                   " inside the Wayland session " + wayland);
    }
    return gdk_display_get_default();
  }();
  return opened;
}

}  // namespace

Connection::Connection() {
  GdkDisplay* gdk = open_gdk();
  if (!gdk || !GDK_IS_X11_DISPLAY(gdk)) {
    const char* name = std::getenv("DISPLAY");
    throw Error(ErrorKind::Platform,
                std::string("cannot open the X display ") +
                    (name && *name ? std::string("\"") + name + "\"" : "($DISPLAY is not set)") +
                    "; start Pagerook inside an X or Wayland session, or set DISPLAY to a "
                    "running X server (for example DISPLAY=:0)");
  }
  // One pixel of ours is one pixel of the screen, whatever GDK_SCALE says.
  gdk_x11_display_set_window_scale(gdk, 1);
  display_ = gdk_x11_display_get_xdisplay(gdk);
  screen_ = DefaultScreen(display_);
  root_ = RootWindow(display_, screen_);
}

Atom Connection::atom(const char* name) const {
  return gdk_x11_get_xatom_by_name_for_display(gdk_display_get_default(), name);
}

float Connection::dpi() const {
  // Read from the server each time: Xlib's copy is the one from when GDK
  // opened the display.
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  float dpi = 96;
  if (XGetWindowProperty(display_, root_, XA_RESOURCE_MANAGER, 0, 1 << 20, False, XA_STRING, &type,
                         &format, &count, &after, &data) != Success ||
      !data) {
    return dpi;
  }
  XrmInitialize();
  if (XrmDatabase db = XrmGetStringDatabase(reinterpret_cast<const char*>(data))) {
    char* kind = nullptr;
    XrmValue value{};
    if (XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &kind, &value) && value.addr) {
      const float v = std::strtof(value.addr, nullptr);
      if (v > 0) dpi = v;
    }
    XrmDestroyDatabase(db);
  }
  XFree(data);
  return dpi;
}

void Connection::flush() const {
  gdk_display_flush(gdk_display_get_default());
}

std::string error_text(Display* display, int code) {
  char text[256] = {};
  XGetErrorText(display, code, text, sizeof text);
  return text;
}

ErrorTrap::ErrorTrap() {
  gdk_x11_display_error_trap_push(gdk_display_get_default());
}

ErrorTrap::~ErrorTrap() {
  if (pushed_) gdk_x11_display_error_trap_pop_ignored(gdk_display_get_default());
}

int ErrorTrap::check() {
  GdkDisplay* display = gdk_display_get_default();
  const int code = gdk_x11_display_error_trap_pop(display);
  gdk_x11_display_error_trap_push(display);
  return code;
}

}  // namespace pr::x11
