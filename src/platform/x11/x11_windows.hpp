#pragma once

#include <X11/Xlib.h>
#include <gtk/gtk.h>

#include <memory>
#include <optional>
#include <vector>

#include "platform/gtk/gtk_window.hpp"
#include "platform/platform.hpp"
#include "platform/x11/x11_connection.hpp"
#include "platform/x11/x11_painting.hpp"

namespace pr::x11 {

using gtk::BuiltWindow;
using gtk::CursorPtr;
using gtk::kProgramIcon;
using gtk::resize_client;
using gtk::WindowPtr;

// An undecorated window is an override-redirect popup that lies exactly
// where it is moved; a decorated one is the window manager's to frame.
BuiltWindow build_window(const Connection& connection, const WindowDesign& design);

Window xid_of(GtkWidget* window);

// What the window manager's frame adds to a window (left, top, and the
// added width and height), asked of it for a realized window that is not
// shown yet; nothing without a window manager.
std::optional<Rect> learn_frame_extents(const Connection& connection, GtkWidget* window);

}  // namespace pr::x11
