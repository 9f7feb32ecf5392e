#include "platform/x11/x11_platform.hpp"

#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/errors.hpp"
#include "platform/files.hpp"
#include "platform/gtk/file_manager.hpp"
#include "platform/gtk/gio_trash.hpp"
#include "platform/report.hpp"

namespace pr::x11 {

X11Platform::X11Platform()
    : grabber_(connection_.display(), connection_.screen()),
      settle_(connection_.display()),
      damage_(connection_.display()),
      place_(connection_.display()),
      loop_({[this](TimerId t) { deliver([&] { sink_->timer_tick(t); }); },
             [this](WindowId w, int code) {
               if (find(w)) deliver([&] { sink_->key_press(w, code); });
             },
             [this] { settle_.handler_done(); },
             [this] {
               // As the close box: the program ends its run and says so.
               if (find(main_window_)) {
                 const WindowId main = main_window_;
                 deliver([&] { sink_->close_request(main); });
               }
             }}) {
  tpp_ = 1440.0f / connection_.dpi();
  GdkDisplay* gdk = gdk_display_get_default();
  arrow_.reset(gdk_cursor_new_for_display(gdk, GDK_LEFT_PTR));
  cross_.reset(gdk_cursor_new_for_display(gdk, GDK_CROSSHAIR));
  // What the window manager shows for any window of ours that names no icon.
  gtk_window_set_default_icon_name(kProgramIcon);
  int event_base, error_base, major, minor;
  if (!XTestQueryExtension(display(), &event_base, &error_base, &major, &minor)) {
    report_error("the X server has no XTEST extension; keystrokes cannot be sent");
  }
}

X11Platform::~X11Platform() {
  escape_grab_.reset();
  if (map_idle_) g_source_remove(map_idle_);
  menu_.reset();
  windows_.clear();
  connection_.flush();
}

void X11Platform::deliver(const std::function<void()>& call) {
  if (!sink_) return;
  try {
    call();
  } catch (const std::exception& error) {
    report_error(error.what());
  }
  settle_.handler_done();
}

X11Platform::Win* X11Platform::find(WindowId w) {
  auto it = windows_.find(w);
  return it == windows_.end() ? nullptr : it->second.get();
}

const X11Platform::Win* X11Platform::find(WindowId w) const {
  auto it = windows_.find(w);
  return it == windows_.end() ? nullptr : it->second.get();
}

Window X11Platform::native_window(WindowId w) const {
  const Win* win = find(w);
  return win ? xid_of(win->built.window.get()) : None;
}

PixelSize X11Platform::screen_size() const {
  return {DisplayWidth(display(), connection_.screen()),
          DisplayHeight(display(), connection_.screen())};
}

GdkCursor* X11Platform::cursor() const {
  switch (pointer_) {
    case MousePointer::Arrow:
      return arrow_.get();
    case MousePointer::Cross:
      return cross_.get();
    case MousePointer::Default:
      break;
  }
  return nullptr;
}

WindowId X11Platform::create_window(const WindowDesign& design) {
  auto win = std::make_unique<Win>();
  win->platform = this;
  win->id = next_window_++;
  win->style = design.style;
  win->client = {0, 0, std::max(design.client_width, 1), std::max(design.client_height, 1)};
  win->built = build_window(connection_, design);
  connect_signals(*win);
  if (GdkCursor* c = cursor())
    gdk_window_set_cursor(gtk_widget_get_window(win->built.window.get()), c);
  if (design.style.decorated) {
    win->frame = learn_frame_extents(connection_, win->built.window.get()).value_or(Rect{});
  }
  const WindowId id = win->id;
  windows_[id] = std::move(win);
  return id;
}

void X11Platform::destroy_window(WindowId w) {
  auto it = windows_.find(w);
  if (it == windows_.end()) return;
  if (escape_target_ == w) grab_escape(w, false);
  if (menu_window_ == w) menu_.reset();
  // GTK keeps a window that is being destroyed inside its own handler alive
  // until the handler returns; ours goes now.
  windows_.erase(it);
  connection_.flush();
}

PixelSize X11Platform::frame_size(WindowId w) const {
  const Win* win = find(w);
  return win ? PixelSize{win->frame.width, win->frame.height} : PixelSize{};
}

void X11Platform::place(Win& win) {
  win.on_screen.reset();
  gtk_window_move(GTK_WINDOW(win.built.window.get()), win.client.x, win.client.y);
  resize_client(win.built, win.style, win.client.width, win.client.height);
}

void X11Platform::move_window(WindowId w, int left, int top, int width, int height) {
  Win* win = find(w);
  if (!win) return;
  win->client = {left, top, std::max(width - win->frame.width, 1),
                 std::max(height - win->frame.height, 1)};
  place(*win);
}

void X11Platform::show_window(WindowId w) {
  Win* win = find(w);
  if (!win) return;
  GtkWidget* window = win->built.window.get();
  if (win->shown) {
    if (!win->map_pending) gdk_window_raise(gtk_widget_get_window(window));
  } else if (!win->style.decorated) {
    win->map_pending = true;
    if (!map_idle_) map_idle_ = g_idle_add_full(G_PRIORITY_HIGH, on_map_pending, this, nullptr);
  } else {
    place(*win);
    // Shown, never presented: presenting asks for the focus.
    gtk_widget_show(window);
  }
  win->shown = true;
  connection_.flush();
}

gboolean X11Platform::on_map_pending(gpointer data) {
  auto* self = static_cast<X11Platform*>(data);
  self->map_idle_ = 0;
  // Called by GLib: no error may unwind through it.
  try {
    self->map_pending_overlays();
  } catch (const std::exception& error) {
    report_error(error.what());
  }
  return G_SOURCE_REMOVE;
}

void X11Platform::map_pending_overlays() {
  for (auto& [id, win] : windows_) {
    if (!win->map_pending) continue;
    win->map_pending = false;
    // Without its picture the window still goes up: the program counts on it.
    try {
      if (!win->pending_picture.empty()) show_picture(*win, win->pending_picture);
    } catch (const std::exception& error) {
      report_error(error.what());
    }
    win->pending_picture = {};
    place(*win);
    GtkWidget* window = win->built.window.get();
    gtk_widget_show(window);
    // The grab needs the window viewable, which the server says once it has
    // handled the map.
    gdk_display_sync(gdk_display_get_default());
    win->grab = std::make_unique<SeatGrab>(gtk_widget_get_window(window), nullptr);
  }
}

void X11Platform::hide_window(WindowId w) {
  Win* win = find(w);
  if (!win || !win->shown) return;
  win->shown = false;
  win->on_screen.reset();
  if (win->map_pending) {
    // Never reached the screen.
    win->map_pending = false;
    win->pending_picture = {};
    return;
  }
  win->grab.reset();
  gtk_widget_hide(win->built.window.get());
  settle_.windows_changed();
  connection_.flush();
}

void X11Platform::show_modal(WindowId w, WindowId owner) {
  Win* win = find(w);
  if (!win) return;
  Window focus = None;
  int revert = 0;
  XGetInputFocus(display(), &focus, &revert);
  GtkWindow* window = GTK_WINDOW(win->built.window.get());
  if (Win* o = find(owner)) {
    gtk_window_set_transient_for(window, GTK_WINDOW(o->built.window.get()));
    o->input_blocked = true;
  }
  gtk_window_set_modal(window, TRUE);
  show_window(w);
  loop_.run_until([&] {
    const Win* shown = find(w);
    return !shown || !shown->shown;
  });
  if (Win* o = find(owner)) o->input_blocked = false;
  if (Win* still = find(w)) gtk_window_set_modal(GTK_WINDOW(still->built.window.get()), FALSE);
  // The keyboard goes back where it was before the preview.
  if (focus != None && focus != PointerRoot) {
    ErrorTrap trap;
    XSetInputFocus(display(), focus, RevertToParent, CurrentTime);
    trap.check();
  }
}

void X11Platform::set_topmost(WindowId w, bool topmost) {
  Win* win = find(w);
  if (!win) return;
  GtkWidget* window = win->built.window.get();
  if (!win->style.decorated) {
    if (topmost && win->shown && !win->map_pending) gdk_window_raise(gtk_widget_get_window(window));
  } else {
    gtk_window_set_keep_above(GTK_WINDOW(window), topmost);
  }
  connection_.flush();
}

void X11Platform::set_caption(WindowId w, std::string_view utf8) {
  if (Win* win = find(w)) {
    gtk_window_set_title(GTK_WINDOW(win->built.window.get()), std::string(utf8).c_str());
  }
}

void X11Platform::repaint(Win& win, const std::vector<Rect>& areas) {
  if (!win.shown || win.map_pending) return;
  for (const Rect& r : areas) {
    gtk_widget_queue_draw_area(win.built.content, r.x, r.y, r.width, r.height);
  }
}

void X11Platform::show_picture(Win& win, ImageView picture) {
  GdkWindow* gdk = gtk_widget_get_window(win.built.window.get());
  GdkVisual* visual = gdk_window_get_visual(gdk);
  win.canvas.set_picture(
      upload_picture(display(), gdk_x11_window_get_xid(gdk), gdk_x11_visual_get_xvisual(visual),
                     gdk_visual_get_depth(visual), grabber_, picture),
      picture.width, picture.height);
}

void X11Platform::set_window_picture(WindowId w, ImageView picture) {
  Win* win = find(w);
  if (!win) return;
  if (!win->style.decorated && (!win->shown || win->map_pending) && !picture.empty()) {
    // Copied only if the overlay really goes on the screen; the view stays
    // valid until then (no other screen copy happens first).
    win->pending_picture = picture;
    return;
  }
  win->pending_picture = {};
  show_picture(*win, picture);
  repaint(*win, {{0, 0, win->client.width, win->client.height}});
}

void X11Platform::set_outline(WindowId w, int left, int top, int width, int height,
                              std::uint32_t rgb) {
  Win* win = find(w);
  if (!win) return;
  repaint(*win, win->canvas.set_outline({left, top, width, height}, rgb));
}

PixelRect X11Platform::work_area() const {
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (!monitor) monitor = gdk_display_get_monitor(display, 0);
  if (!monitor) return {0, 0, screen_size().width, screen_size().height};
  GdkRectangle area{};
  gdk_monitor_get_workarea(monitor, &area);
  return {area.x, area.y, area.width, area.height};
}

ImageView X11Platform::copy_screen() {
  return copy_screen_region(0, 0, screen_size().width, screen_size().height);
}

ImageView X11Platform::copy_screen_region(int x, int y, int width, int height) {
  std::vector<Window> hidden;
  for (const auto& [id, win] : windows_) {
    if (!win->shown || win->map_pending) hidden.push_back(xid_of(win->built.window.get()));
  }
  connection_.flush();
  const bool whole =
      x == 0 && y == 0 && width == screen_size().width && height == screen_size().height;
  return settle_.settled(
      hidden, [&] { return whole ? grabber_.grab() : grabber_.grab(x, y, width, height); });
}

void X11Platform::set_mouse_pointer(MousePointer pointer) {
  pointer_ = pointer;
  for (const auto& [id, win] : windows_) {
    gdk_window_set_cursor(gtk_widget_get_window(win->built.window.get()), cursor());
  }
  connection_.flush();
}

void X11Platform::send_keys(const std::vector<KeyChord>& keys) {
  send_keystrokes(display(), keys);
  settle_.keys_sent();
}

void X11Platform::post_key(WindowId w, int char_code) {
  loop_.post_key(w, char_code);
}

void X11Platform::grab_escape(WindowId target, bool grab) {
  escape_target_ = grab ? target : kNoWindow;
  // A grab that another program refused is asked for anew.
  if (!grab || (escape_grab_ && !escape_grab_->complete())) escape_grab_.reset();
  if (grab && !escape_grab_) {
    escape_grab_ = std::make_unique<EscapeGrab>(
        display(), connection_.root(),
        [this] {
          const WindowId to = escape_target_;
          if (to != kNoWindow) deliver([&] { sink_->key_press(to, kEscapeChar); });
        },
        escape_refusal_told_);
  }
}

void X11Platform::set_timer(TimerId t, std::int32_t interval_ms) {
  loop_.set_timer(t, interval_ms);
}

std::unique_ptr<AutomationObject> X11Platform::attach_automation(std::string_view class_name) {
  throw Error("no running program answers to " + std::string(class_name) + " on X11");
}

std::string X11Platform::move_to_trash(const std::filesystem::path& path) {
  return gio_move_to_trash(path);
}

std::filesystem::path X11Platform::base_folder() const {
  return gtk::home_folder();
}

void X11Platform::open_folder(const std::filesystem::path& folder) {
  gtk::open_in_file_manager(folder);
}

}  // namespace pr::x11
