// WaylandPlatform's side of GTK's window signals and its popup menu: each
// handed to the program's event sink.
#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/gtk/gtk_input.hpp"
#include "platform/gtk/gtk_menu.hpp"
#include "platform/report.hpp"
#include "platform/wayland/wl_platform.hpp"

namespace pr::wayland {

namespace {

// GTK's position in the window as the output's pixels. The grabbing window
// covers its whole output and has the pointer until the button is let go: a
// drag that goes on into another output stops at this one's edge.
std::pair<int, int> pixel_at(double x, double y, int scale, bool grabbing, PixelRect client) {
  int px = static_cast<int>(std::floor(x * scale)), py = static_cast<int>(std::floor(y * scale));
  if (grabbing) {
    px = std::clamp(px, 0, client.width - 1);
    py = std::clamp(py, 0, client.height - 1);
  }
  return {px, py};
}

}  // namespace

void WaylandPlatform::connect_signals(Win& win) {
  GtkWidget* window = win.built.window.get();
  g_signal_connect(win.built.content, "draw", G_CALLBACK(on_draw), &win);
  g_signal_connect(window, "delete-event", G_CALLBACK(on_delete), &win);
  g_signal_connect(window, "button-press-event", G_CALLBACK(on_button), &win);
  g_signal_connect(window, "button-release-event", G_CALLBACK(on_button), &win);
  g_signal_connect(window, "motion-notify-event", G_CALLBACK(on_motion), &win);
  g_signal_connect(window, "key-press-event", G_CALLBACK(on_key), &win);
  for (const auto& [button, id] : win.built.buttons) {
    g_object_set_data(G_OBJECT(button), "pagerook-button", GINT_TO_POINTER(id));
    g_signal_connect(button, "clicked", G_CALLBACK(on_clicked), &win);
  }
}

gboolean WaylandPlatform::on_draw(GtkWidget*, cairo_t* cr, gpointer data) {
  auto* win = static_cast<Win*>(data);
  // The picture and the outline in the output's own pixels.
  const double s = win->platform->scale_of(*win);
  cairo_save(cr);
  cairo_scale(cr, 1 / s, 1 / s);
  win->canvas.draw(cr);
  cairo_restore(cr);
  return FALSE;
}

gboolean WaylandPlatform::on_delete(GtkWidget*, GdkEvent*, gpointer data) {
  auto* win = static_cast<Win*>(data);
  if (!win->input_blocked) {
    const WindowId id = win->id;
    WaylandPlatform* self = win->platform;
    self->deliver([&] { self->sink_->close_request(id); });
  }
  return TRUE;
}

gboolean WaylandPlatform::on_button(GtkWidget*, GdkEventButton* event, gpointer data) {
  auto* win = static_cast<Win*>(data);
  const int button = gtk::button_of(event->button);
  if (win->input_blocked || !button) return FALSE;
  if (event->type != GDK_BUTTON_PRESS && event->type != GDK_BUTTON_RELEASE) return TRUE;
  WaylandPlatform* self = win->platform;
  const WindowId id = win->id;
  const auto [x, y] =
      pixel_at(event->x, event->y, self->scale_of(*win), win->style.grabs_input, win->client);
  const int shift = gtk::shift_of(static_cast<GdkModifierType>(event->state));
  if (event->type == GDK_BUTTON_PRESS) {
    if (const std::uint32_t output = self->output_of(*win)) self->pointer_output_ = output;
    self->deliver([&] { self->sink_->mouse_down(id, button, shift, x, y); });
    if (event->button == GDK_BUTTON_SECONDARY && self->find(id)) {
      self->deliver([&] { self->sink_->context_menu(id); });
    }
  } else {
    self->deliver([&] { self->sink_->mouse_up(id, button, shift, x, y); });
  }
  return TRUE;
}

gboolean WaylandPlatform::on_motion(GtkWidget*, GdkEventMotion* event, gpointer data) {
  auto* win = static_cast<Win*>(data);
  if (win->input_blocked) return FALSE;
  WaylandPlatform* self = win->platform;
  const WindowId id = win->id;
  const auto state = static_cast<GdkModifierType>(event->state);
  const auto [x, y] =
      pixel_at(event->x, event->y, self->scale_of(*win), win->style.grabs_input, win->client);
  self->deliver(
      [&] { self->sink_->mouse_move(id, gtk::buttons_held(state), gtk::shift_of(state), x, y); });
  return TRUE;
}

gboolean WaylandPlatform::on_key(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* win = static_cast<Win*>(data);
  // Only the window that holds the keyboard hears keys; it keeps them all.
  if (!win->style.grabs_input) return FALSE;
  if (win->input_blocked) return TRUE;
  const int code = gtk::char_code_of(*event);
  if (!code) return TRUE;
  WaylandPlatform* self = win->platform;
  const WindowId id = win->id;
  self->deliver([&] { self->sink_->key_press(id, code); });
  return TRUE;
}

void WaylandPlatform::on_clicked(GtkButton* button, gpointer data) {
  auto* win = static_cast<Win*>(data);
  if (win->input_blocked) return;
  const int button_id = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), "pagerook-button"));
  WaylandPlatform* self = win->platform;
  const WindowId id = win->id;
  self->deliver([&] { self->sink_->button_click(id, button_id); });
}

void WaylandPlatform::show_menu(WindowId w, const Menu& menu) {
  Win* win = find(w);
  if (!win || !win->shown || win->input_blocked) return;
  menu_.reset(gtk::build_menu(menu, G_CALLBACK(on_menu_item), nullptr, this));
  menu_window_ = w;
  if (!gtk::popup_at_pointer(menu_.get(), win->built.window.get())) {
    report_error("the menu could not be shown");
  }
}

void WaylandPlatform::on_menu_item(GtkMenuItem* item, gpointer data) {
  auto* self = static_cast<WaylandPlatform*>(data);
  const int id = gtk::menu_item_id(item);
  const WindowId w = self->menu_window_;
  if (!self->find(w)) return;
  self->deliver([&] { self->sink_->menu_choice(w, id); });
}

}  // namespace pr::wayland
