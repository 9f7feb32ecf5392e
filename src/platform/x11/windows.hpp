#pragma once

#include <X11/Xlib.h>
#include <gtk/gtk.h>

#include <memory>
#include <optional>
#include <vector>

#include "platform/platform.hpp"
#include "platform/x11/connection.hpp"
#include "platform/x11/painting.hpp"

namespace pr::x11 {

struct WidgetDestroy {
  void operator()(GtkWidget* w) const { gtk_widget_destroy(w); }
};
// A top-level GTK window, destroyed with its owner.
using WindowPtr = std::unique_ptr<GtkWidget, WidgetDestroy>;

struct CursorUnref {
  void operator()(GdkCursor* c) const { g_object_unref(c); }
};
using CursorPtr = std::unique_ptr<GdkCursor, CursorUnref>;

// How a window of each kind looks and behaves on the desktop.
struct WindowStyle {
  bool decorated = true;
  bool keep_above_allowed = true;
  bool takes_focus = true;
  bool popup = false;  // override-redirect: no frame, placed exactly
};
WindowStyle style_of(WindowKind kind);

// A realized, unshown GTK window: `content` fills its client area and is
// where the picture and outline are drawn, below the push buttons.
struct BuiltWindow {
  WindowPtr window;
  GtkWidget* content = nullptr;
  std::vector<std::pair<GtkWidget*, int>> buttons;  // widget, design id
};
// Sizes and positions are pixels; the buttons' are given in pixels too.
BuiltWindow build_window(const Connection& connection, const WindowDesign& design,
                         const WindowStyle& style, int width, int height,
                         const std::vector<Rect>& button_rects);

// The client area's new size (pixels).
void resize_client(const BuiltWindow& built, const WindowStyle& style, int width, int height);

Window xid_of(GtkWidget* window);

// What the window manager's frame adds to a window (left, top, and the
// added width and height), asked of it for a realized window that is not
// shown yet; nothing without a window manager.
std::optional<Rect> learn_frame_extents(const Connection& connection, GtkWidget* window);

}  // namespace pr::x11
