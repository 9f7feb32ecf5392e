#include "platform/x11/x11_connection.hpp"

#include <X11/Xatom.h>
#include <X11/Xresource.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/errors.hpp"
#include "platform/gtk/message_dialog.hpp"
#include "platform/report.hpp"

namespace pr::x11 {

namespace {

bool wayland_session() {
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const char* type = std::getenv("XDG_SESSION_TYPE");
  return (wayland && *wayland) || (type && std::strcmp(type, "wayland") == 0);
}

// Someone who started us from a Wayland desktop's menu never sees stderr:
// a dialog says what works there and what to do, and goes when dismissed.
void show_wayland_notice() {
  gtk::show_message_dialog(
      "Pagerook — Wayland", "Pagerook 在 Wayland 会话中只能截取 X11 程序的窗口",
      "Pagerook 通过 XWayland 运行：由 X11 程序显示的文档可以照常截图翻页，"
      "Wayland 原生程序的窗口则看不到、也翻不了页。要截取这些文档，请注销，"
      "在登录界面选择 X11 会话（例如 “GNOME on Xorg” 或 “Plasma (X11)”）。\n\n"
      "Pagerook runs here through XWayland: documents shown by X11 programs can be "
      "captured and paged as usual, but windows of native Wayland programs cannot be "
      "seen or paged. For those, log out and choose an X11 session at the login screen "
      "(for example \"GNOME on Xorg\" or \"Plasma (X11)\").");
}

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
    if (!gtk_init_check(nullptr, nullptr)) return static_cast<GdkDisplay*>(nullptr);
    if (wayland_session()) {
      const char* wayland = std::getenv("WAYLAND_DISPLAY");
      report_error(std::string("running through XWayland on ") +
                   gdk_display_get_name(gdk_display_get_default()) +
                   " inside the Wayland session " + (wayland && *wayland ? wayland : "") +
                   "; windows of native Wayland programs cannot be captured or paged");
      show_wayland_notice();
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
    throw Error(std::string("cannot open the X display ") +
                (name && *name ? std::string("\"") + name + "\"" : "($DISPLAY is not set)") +
                "; Pagerook needs an X11 display: start it inside an X11 session, or "
                "set DISPLAY to a running X server (for example DISPLAY=:0)");
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
