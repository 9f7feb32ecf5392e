// WaylandPlatform's screen: which output it is, its copies, and the match
// between our session's outputs and GDK's monitors.
#include <glib-unix.h>
#include <gtk/gtk.h>

#include <algorithm>

#include "platform/errors.hpp"
#include "platform/report.hpp"
#include "platform/wayland/wl_platform.hpp"

namespace pr::wayland {

GdkMonitor* WaylandPlatform::monitor_of(const Output& output) const {
  // GDK places its monitors as xdg-output does, so the place names one.
  GdkDisplay* gdk = gdk_display_get_default();
  for (int i = 0, n = gdk_display_get_n_monitors(gdk); i < n; ++i) {
    GdkMonitor* monitor = gdk_display_get_monitor(gdk, i);
    GdkRectangle area;
    gdk_monitor_get_geometry(monitor, &area);
    if (area.x == output.x && area.y == output.y) return monitor;
  }
  return nullptr;
}

std::uint32_t WaylandPlatform::output_of(const Win& win) const {
  GdkWindow* window = gtk_widget_get_window(win.built.window.get());
  GdkMonitor* monitor =
      window ? gdk_display_get_monitor_at_window(gdk_display_get_default(), window) : nullptr;
  if (!monitor) return 0;
  GdkRectangle area;
  gdk_monitor_get_geometry(monitor, &area);
  for (const Output& o : session_.outputs()) {
    if (o.x == area.x && o.y == area.y) return o.name;
  }
  return 0;
}

const Output& WaylandPlatform::output() const {
  if (session_.outputs().empty()) throw Error("the Wayland compositor has no output");
  const Output* screen = session_.find(screen_);
  return screen ? *screen : next_screen();
}

const Output& WaylandPlatform::next_screen() const {
  if (session_.outputs().empty()) throw Error("the Wayland compositor has no output");
  // A client sees the pointer only over its own surfaces: the output of
  // the window it last pressed on (the main window, for a capture), else the
  // main window's, else the first.
  for (const std::uint32_t name : {pointer_output_, screen_}) {
    if (const Output* o = session_.find(name)) return *o;
  }
  const Win* main = find(main_window_);
  if (const Output* o = main && main->shown ? session_.find(output_of(*main)) : nullptr) return *o;
  return session_.outputs().front();
}

bool WaylandPlatform::grabbing() const {
  return std::any_of(windows_.begin(), windows_.end(),
                     [](const auto& w) { return w.second->shown && w.second->style.grabs_input; });
}

int WaylandPlatform::scale() const {
  return session_.outputs().empty() ? 1 : output().scale;
}

int WaylandPlatform::scale_of(const Win& win) const {
  // The grabbing window covers the screen, pixel for pixel; the others keep
  // the scale they were designed at wherever the compositor puts them.
  return win.style.grabs_input ? scale() : win.scale;
}

PixelSize WaylandPlatform::screen_size() const {
  if (session_.outputs().empty()) return {};
  // The output the next frozen screen would cover; during a grab, the one
  // it covers.
  const Output& o = grabbing() ? output() : next_screen();
  return {o.width, o.height};
}

PixelRect WaylandPlatform::work_area() const {
  // Panels keep their exclusive zones from our top-layer windows themselves.
  if (session_.outputs().empty()) return {};
  return {0, 0, output().width, output().height};
}

void WaylandPlatform::settle_hidden() {
  if (!hidden_since_copy_) return;
  hidden_since_copy_ = false;
  // Once the compositor has handled the unmaps, its next frame, which the
  // copy waits for, is drawn without them.
  gdk_display_sync(gdk_display_get_default());
}

ImageView WaylandPlatform::copy_screen() {
  settle_hidden();
  // The whole screen is asked for to freeze it: the screen is now the output
  // the user is at, and stays so for the copies and changes that follow.
  if (!grabbing()) screen_ = next_screen().name;
  return copier_.copy(output());
}

ImageView WaylandPlatform::copy_screen_region(int x, int y, int width, int height) {
  settle_hidden();
  const Output o = output();
  const int left = std::max(x, 0), top = std::max(y, 0);
  const int right = std::min(x + width, o.width), bottom = std::min(y + height, o.height);
  if (right <= left || bottom <= top) return {};
  return copier_.copy(o, {left, top, right - left, bottom - top});
}

void WaylandPlatform::watch_outputs() {
  // Outputs come and go between copies too: their events are read as they
  // arrive, so that the screen is always one that exists.
  session_watch_ = g_unix_fd_add(
      wl_display_get_fd(session_.display()), G_IO_IN,
      [](int, GIOCondition, gpointer data) -> gboolean {
        auto* self = static_cast<WaylandPlatform*>(data);
        try {
          self->session_.dispatch(std::chrono::milliseconds(0));
        } catch (const Error& error) {
          report_error(error.what());
          self->session_watch_ = 0;
          return G_SOURCE_REMOVE;
        }
        return G_SOURCE_CONTINUE;
      },
      this);
}

}  // namespace pr::wayland
