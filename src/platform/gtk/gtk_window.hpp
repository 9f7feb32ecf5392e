#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.hpp"

namespace pr::gtk {

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

// An unrealized, unshown GTK window: `content` fills its client area and is
// where the picture and outline are drawn, below the push buttons.
struct BuiltWindow {
  WindowPtr window;
  GtkWidget* content = nullptr;
  std::vector<std::pair<GtkWidget*, int>> buttons;  // widget, design id
  std::vector<std::pair<GtkWidget*, int>> labels;   // widget, design id
};
// The window of the design, its buttons and labels placed; a decorated one
// gets its title, icon and type hint. The backend realizes it.
BuiltWindow build_window(const WindowDesign& design, GtkWindowType type);

// The client area's new size.
void resize_client(const BuiltWindow& built, const WindowStyle& style, int width, int height);

// The text of the window's label `label_id` and its tooltip (none if empty).
void set_button(const BuiltWindow& built, int button_id, std::string_view caption,
                std::string_view tooltip);
void set_label(const BuiltWindow& built, int label_id, std::string_view text,
               std::string_view tooltip);

// The icon name of the program's icons; nullptr for the system's default.
const char* icon_name(WindowIcon icon);

}  // namespace pr::gtk
