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

// Push buttons as small as their design: the theme's padding and minimum
// sizes would make them, and so the fixed window, larger.
constexpr char kButtonCss[] = "button { min-width: 0; min-height: 0; padding: 0 1px; }";
// A status in small print, two short lines at most beside a button.
constexpr char kLabelCss[] = "label { font-size: 9px; }";

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

// The icon names the program's icons are installed under.
const char* icon_name(WindowIcon icon) {
  switch (icon) {
    case WindowIcon::Program:
      return kProgramIcon;
    case WindowIcon::Preview:
      return "image-x-generic";
    case WindowIcon::Default:
      break;
  }
  return nullptr;
}

Window xid_of(GtkWidget* window) {
  GdkWindow* gdk = gtk_widget_get_window(window);
  return gdk ? gdk_x11_window_get_xid(gdk) : None;
}

BuiltWindow build_window(const Connection& connection, const WindowDesign& design) {
  const WindowStyle& style = design.style;
  const bool popup = !style.decorated;
  BuiltWindow built;
  built.window.reset(gtk_window_new(popup ? GTK_WINDOW_POPUP : GTK_WINDOW_TOPLEVEL));
  GtkWindow* window = GTK_WINDOW(built.window.get());
  gtk_widget_add_events(built.window.get(), GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                                GDK_POINTER_MOTION_MASK | GDK_KEY_PRESS_MASK);
  if (popup) {
    // Its picture is all it shows: no theme background under it.
    gtk_widget_set_app_paintable(built.window.get(), TRUE);
  } else {
    gtk_window_set_title(window, design.caption.c_str());
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_skip_taskbar_hint(window, TRUE);
    gtk_window_set_skip_pager_hint(window, TRUE);
    // A window that never takes the focus is a tool bar to the window
    // manager: openbox then frames it with a title and the close box only,
    // no minimize or maximize box, which leaves its caption room to show.
    GdkWindowTypeHint hint = style.tool_window   ? GDK_WINDOW_TYPE_HINT_UTILITY
                             : style.takes_focus ? GDK_WINDOW_TYPE_HINT_DIALOG
                                                 : GDK_WINDOW_TYPE_HINT_TOOLBAR;
    gtk_window_set_type_hint(window, hint);
    gtk_window_set_gravity(window, GDK_GRAVITY_NORTH_WEST);
    gtk_window_set_keep_above(window, style.keep_above);
    if (const char* icon = icon_name(style.icon)) gtk_window_set_icon_name(window, icon);
  }
  if (!style.takes_focus) {
    gtk_window_set_accept_focus(window, FALSE);
    gtk_window_set_focus_on_map(window, FALSE);
  }

  built.content = gtk_fixed_new();
  gtk_container_add(GTK_CONTAINER(window), built.content);
  for (const ButtonDesign& b : design.buttons) {
    GtkWidget* button = gtk_button_new_with_label(b.caption.c_str());
    gtk_widget_set_can_focus(button, FALSE);
    gtk_widget_set_focus_on_click(button, FALSE);
    GtkCssProvider* css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, kButtonCss, -1, nullptr);
    gtk_style_context_add_provider(gtk_widget_get_style_context(button), GTK_STYLE_PROVIDER(css),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);
    gtk_widget_set_size_request(button, b.width, b.height);
    if (!b.tooltip.empty()) gtk_widget_set_tooltip_text(button, b.tooltip.c_str());
    gtk_fixed_put(GTK_FIXED(built.content), button, b.left, b.top);
    built.buttons.emplace_back(button, b.id);
  }
  for (const LabelDesign& l : design.labels) {
    GtkWidget* label = gtk_label_new("");
    GtkCssProvider* css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, kLabelCss, -1, nullptr);
    gtk_style_context_add_provider(gtk_widget_get_style_context(label), GTK_STYLE_PROVIDER(css),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_label_set_yalign(GTK_LABEL(label), 0.5);
    gtk_label_set_lines(GTK_LABEL(label), 2);
    gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
    gtk_widget_set_size_request(label, l.width, l.height);
    gtk_fixed_put(GTK_FIXED(built.content), label, l.left, l.top);
    built.labels.emplace_back(label, l.id);
  }
  resize_client(built, style, std::max(design.client_width, 1), std::max(design.client_height, 1));
  gtk_widget_show_all(built.content);
  gtk_widget_realize(built.window.get());

  if (!popup && !style.takes_focus) {
    // GDK offers WM_TAKE_FOCUS to every window; a window manager that sees
    // it may hand such a window the focus. This one never takes it.
    Atom protocols[] = {connection.atom("WM_DELETE_WINDOW"), connection.atom("_NET_WM_PING"),
                        connection.atom("_NET_WM_SYNC_REQUEST")};
    XSetWMProtocols(connection.display(), xid_of(built.window.get()), protocols, 3);
  }
  return built;
}

void resize_client(const BuiltWindow& built, const WindowStyle& style, int width, int height) {
  gtk_widget_set_size_request(built.content, width, height);
  if (!style.decorated) gtk_window_resize(GTK_WINDOW(built.window.get()), width, height);
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
