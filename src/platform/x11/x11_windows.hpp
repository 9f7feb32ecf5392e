#pragma once

#include <X11/Xlib.h>
#include <gtk/gtk.h>

#include <memory>
#include <optional>
#include <vector>

#include "platform/platform.hpp"
#include "platform/x11/x11_connection.hpp"
#include "platform/x11/x11_painting.hpp"

namespace pr::x11 {

// The name the program's icon is installed under (hicolor theme).
inline constexpr char kProgramIcon[] = "io.github.pagerook.Pagerook";

struct WidgetDestroy {
  void operator()(GtkWidget* w) const { gtk_widget_destroy(w); }
};
// A top-level GTK window, destroyed with its owner.
using WindowPtr = std::unique_ptr<GtkWidget, WidgetDestroy>;

struct CursorUnref {
  void operator()(GdkCursor* c) const { g_object_unref(c); }
};
using CursorPtr = std::unique_ptr<GdkCursor, CursorUnref>;

// A realized, unshown GTK window: `content` fills its client area and is
// where the picture and outline are drawn, below the push buttons.
struct BuiltWindow {
  WindowPtr window;
  GtkWidget* content = nullptr;
  std::vector<std::pair<GtkWidget*, int>> buttons;  // widget, design id
  std::vector<std::pair<GtkWidget*, int>> labels;   // widget, design id
};
// An undecorated window is an override-redirect popup that lies exactly
// where it is moved; a decorated one is the window manager's to frame.
BuiltWindow build_window(const Connection& connection, const WindowDesign& design);

// The client area's new size.
void resize_client(const BuiltWindow& built, const WindowStyle& style, int width, int height);

Window xid_of(GtkWidget* window);

// What the window manager's frame adds to a window (left, top, and the
// added width and height), asked of it for a realized window that is not
// shown yet; nothing without a window manager.
std::optional<Rect> learn_frame_extents(const Connection& connection, GtkWidget* window);

}  // namespace pr::x11
