#include "platform/wayland/wl_platform.hpp"

#include <gdk/gdkwayland.h>
#include <gtk-layer-shell/gtk-layer-shell.h>

#include <unistd.h>

#include <algorithm>

#include "platform/errors.hpp"
#include "platform/report.hpp"

namespace pr::wayland {

namespace {

// The protocols the program needs, all offered, or an error naming those
// that are not.
Session& complete(Session& session) {
  std::string missing;
  for (const std::string& name : session.missing()) missing += (missing.empty() ? "" : ", ") + name;
  if (!missing.empty()) throw Error("the Wayland compositor does not offer " + missing);
  return session;
}

// The design in GTK's pixels, `scale` of the output's to each.
WindowDesign in_gtk_pixels(WindowDesign design, int scale) {
  const auto shrink = [scale](int& left, int& top, int& width, int& height) {
    left /= scale;
    top /= scale;
    width = (width + scale - 1) / scale;
    height = (height + scale - 1) / scale;
  };
  int left = 0, top = 0;
  shrink(left, top, design.client_width, design.client_height);
  for (ButtonDesign& b : design.buttons) shrink(b.left, b.top, b.width, b.height);
  for (LabelDesign& l : design.labels) shrink(l.left, l.top, l.width, l.height);
  return design;
}

void open_gtk() {
  // Once per process: every later platform shares GTK's display.
  static const bool opened = [] {
    g_set_prgname("pagerook");
    gdk_set_allowed_backends("wayland");
    return gtk_init_check(nullptr, nullptr) != FALSE;
  }();
  if (!opened) throw Error("GTK cannot open the Wayland display");
  if (!gtk_layer_is_supported()) {
    throw Error("the Wayland compositor does not offer zwlr_layer_shell_v1");
  }
}

}  // namespace

WaylandPlatform::WaylandPlatform()
    : copier_(complete(session_)),
      keyboard_(session_),
      loop_({[this](TimerId t) { deliver([&] { sink_->timer_tick(t); }); },
             [this](WindowId w, int code) {
               if (find(w)) deliver([&] { sink_->key_press(w, code); });
             },
             [] {},
             [this] {
               // As the close box: the program ends its run and says so.
               if (find(main_window_)) {
                 const WindowId main = main_window_;
                 deliver([&] { sink_->close_request(main); });
               }
             }}),
      escape_([this](WindowId target) {
        if (find(target)) deliver([&] { sink_->key_press(target, kEscapeChar); });
      }) {
  open_gtk();
  GdkDisplay* gdk = gdk_display_get_default();
  arrow_.reset(gdk_cursor_new_for_display(gdk, GDK_LEFT_PTR));
  cross_.reset(gdk_cursor_new_for_display(gdk, GDK_CROSSHAIR));
  gtk_window_set_default_icon_name(gtk::kProgramIcon);
  watch_outputs();
}

WaylandPlatform::~WaylandPlatform() {
  if (session_watch_) g_source_remove(session_watch_);
  if (instance_lock_ >= 0) close(instance_lock_);
  menu_.reset();
  windows_.clear();
  if (GdkDisplay* gdk = gdk_display_get_default()) gdk_display_flush(gdk);
}

void WaylandPlatform::deliver(const std::function<void()>& call) {
  if (!sink_) return;
  try {
    call();
  } catch (const std::exception& error) {
    report_error(error.what());
  }
}

WaylandPlatform::Win* WaylandPlatform::find(WindowId w) {
  auto it = windows_.find(w);
  return it == windows_.end() ? nullptr : it->second.get();
}

const WaylandPlatform::Win* WaylandPlatform::find(WindowId w) const {
  auto it = windows_.find(w);
  return it == windows_.end() ? nullptr : it->second.get();
}

GtkWidget* WaylandPlatform::native_window(WindowId w) const {
  const Win* win = find(w);
  return win ? win->built.window.get() : nullptr;
}

WindowId WaylandPlatform::create_window(const WindowDesign& design) {
  auto win = std::make_unique<Win>();
  win->platform = this;
  win->id = next_window_++;
  win->style = design.style;
  win->client = {0, 0, std::max(design.client_width, 1), std::max(design.client_height, 1)};
  win->scale = scale();
  win->built = gtk::build_window(in_gtk_pixels(design, win->scale), GTK_WINDOW_TOPLEVEL);
  GtkWindow* window = GTK_WINDOW(win->built.window.get());
  gtk_window_set_decorated(window, FALSE);
  gtk_layer_init_for_window(window);
  gtk_layer_set_namespace(window, "pagerook");
  // Each lies where it is moved, from the output's corner, whatever the
  // panels reserve; only the grabbing window takes the keyboard, over all.
  gtk_layer_set_anchor(window, GTK_LAYER_SHELL_EDGE_LEFT, TRUE);
  gtk_layer_set_anchor(window, GTK_LAYER_SHELL_EDGE_TOP, TRUE);
  gtk_layer_set_exclusive_zone(window, -1);
  gtk_layer_set_layer(
      window, design.style.grabs_input ? GTK_LAYER_SHELL_LAYER_OVERLAY : GTK_LAYER_SHELL_LAYER_TOP);
  gtk_layer_set_keyboard_mode(window, design.style.grabs_input
                                          ? GTK_LAYER_SHELL_KEYBOARD_MODE_EXCLUSIVE
                                          : GTK_LAYER_SHELL_KEYBOARD_MODE_NONE);
  connect_signals(*win);
  gtk_widget_realize(win->built.window.get());
  if (GdkCursor* c = pointer_ == MousePointer::Arrow   ? arrow_.get()
                     : pointer_ == MousePointer::Cross ? cross_.get()
                                                       : nullptr) {
    gdk_window_set_cursor(gtk_widget_get_window(win->built.window.get()), c);
  }
  const WindowId id = win->id;
  windows_[id] = std::move(win);
  return id;
}

void WaylandPlatform::destroy_window(WindowId w) {
  auto it = windows_.find(w);
  if (it == windows_.end()) return;
  if (menu_window_ == w) menu_.reset();
  escape_.forget(w);
  if (it->second->shown) hidden_since_copy_ = true;
  windows_.erase(it);
}

void WaylandPlatform::place(Win& win) {
  GtkWindow* window = GTK_WINDOW(win.built.window.get());
  if (win.style.grabs_input && !session_.outputs().empty()) {
    gtk_layer_set_monitor(window, monitor_of(output()));
  }
  const int s = scale_of(win);
  gtk_layer_set_margin(window, GTK_LAYER_SHELL_EDGE_LEFT, win.client.left / s);
  gtk_layer_set_margin(window, GTK_LAYER_SHELL_EDGE_TOP, win.client.top / s);
  gtk::resize_client(win.built, win.style, (win.client.width + s - 1) / s,
                     (win.client.height + s - 1) / s);
}

void WaylandPlatform::move_window(WindowId w, int left, int top, int width, int height) {
  Win* win = find(w);
  if (!win) return;
  win->client = {left, top, std::max(width, 1), std::max(height, 1)};
  place(*win);
}

void WaylandPlatform::show_window(WindowId w) {
  Win* win = find(w);
  if (!win || win->shown) return;
  place(*win);
  gtk_widget_show(win->built.window.get());
  win->shown = true;
}

void WaylandPlatform::hide_window(WindowId w) {
  Win* win = find(w);
  if (!win || !win->shown) return;
  win->shown = false;
  gtk_widget_hide(win->built.window.get());
  hidden_since_copy_ = true;
}

void WaylandPlatform::show_modal(WindowId w, WindowId owner) {
  if (!find(w)) return;
  if (Win* o = find(owner)) o->input_blocked = true;
  show_window(w);
  loop_.run_until([&] {
    const Win* shown = find(w);
    return !shown || !shown->shown;
  });
  if (Win* o = find(owner)) o->input_blocked = false;
}

void WaylandPlatform::set_caption(WindowId w, std::string_view utf8) {
  if (Win* win = find(w)) {
    gtk_window_set_title(GTK_WINDOW(win->built.window.get()), std::string(utf8).c_str());
  }
}

void WaylandPlatform::set_button(WindowId w, int button_id, std::string_view caption,
                                 std::string_view tooltip) {
  if (Win* win = find(w)) gtk::set_button(win->built, button_id, caption, tooltip);
}

void WaylandPlatform::set_label(WindowId w, int label_id, std::string_view text,
                                std::string_view tooltip) {
  if (Win* win = find(w)) gtk::set_label(win->built, label_id, text, tooltip);
}

void WaylandPlatform::repaint(Win& win, const std::vector<gtk::Rect>& areas) {
  if (!win.shown) return;
  // The canvas speaks the output's pixels; GTK its own, s times larger.
  const int s = scale_of(win);
  for (const gtk::Rect& r : areas) {
    gtk_widget_queue_draw_area(win.built.content, r.x / s, r.y / s,
                               (r.x + r.width + s - 1) / s - r.x / s,
                               (r.y + r.height + s - 1) / s - r.y / s);
  }
}

void WaylandPlatform::set_window_picture(WindowId w, ImageView picture) {
  Win* win = find(w);
  if (!win) return;
  win->canvas.set_picture(gtk::image_surface(picture), picture.width, picture.height);
  repaint(*win, {{0, 0, win->client.width, win->client.height}});
}

void WaylandPlatform::set_outline(WindowId w, int left, int top, int width, int height,
                                  std::uint32_t rgb) {
  Win* win = find(w);
  if (!win) return;
  repaint(*win, win->canvas.set_outline({left, top, width, height}, rgb));
}

void WaylandPlatform::set_mouse_pointer(MousePointer pointer) {
  pointer_ = pointer;
  GdkCursor* c = pointer == MousePointer::Arrow   ? arrow_.get()
                 : pointer == MousePointer::Cross ? cross_.get()
                                                  : nullptr;
  for (const auto& [id, win] : windows_) {
    gdk_window_set_cursor(gtk_widget_get_window(win->built.window.get()), c);
  }
}

}  // namespace pr::wayland
