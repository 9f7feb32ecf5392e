// X11Platform's side of GTK's window signals: drawing, the close box, the
// mouse and the push buttons, each handed to the program's event sink.
#include <cmath>

#include "platform/x11/x11_platform.hpp"

namespace pr::x11 {

void X11Platform::connect_signals(Win& win) {
  GtkWidget* window = win.built.window.get();
  g_signal_connect(win.built.content, "draw", G_CALLBACK(on_draw), &win);
  g_signal_connect(window, "delete-event", G_CALLBACK(on_delete), &win);
  g_signal_connect(window, "button-press-event", G_CALLBACK(on_button), &win);
  g_signal_connect(window, "button-release-event", G_CALLBACK(on_button), &win);
  g_signal_connect(window, "motion-notify-event", G_CALLBACK(on_motion), &win);
  g_signal_connect(window, "window-state-event", G_CALLBACK(on_window_state), &win);
  g_signal_connect(window, "key-press-event", G_CALLBACK(on_key), &win);
  for (const char* placed :
       {"configure-event", "map-event", "unmap-event", "property-notify-event"}) {
    g_signal_connect(window, placed, G_CALLBACK(on_placed), &win);
  }
  for (const auto& [button, id] : win.built.buttons) {
    g_object_set_data(G_OBJECT(button), "pagerook-button", GINT_TO_POINTER(id));
    g_signal_connect(button, "clicked", G_CALLBACK(on_clicked), &win);
  }
}

gboolean X11Platform::on_draw(GtkWidget*, cairo_t* cr, gpointer data) {
  static_cast<Win*>(data)->canvas.draw(cr);
  return FALSE;
}

gboolean X11Platform::on_delete(GtkWidget*, GdkEvent*, gpointer data) {
  auto* win = static_cast<Win*>(data);
  // The program decides whether the window goes; it may destroy it now.
  if (!win->input_blocked) {
    const WindowId id = win->id;
    X11Platform* self = win->platform;
    self->deliver([&] { self->sink_->close_request(id); });
  }
  return TRUE;
}

gboolean X11Platform::on_button(GtkWidget*, GdkEventButton* event, gpointer data) {
  auto* win = static_cast<Win*>(data);
  const int button = button_of(event->button);
  // A click on a push button is the button's.
  if (win->input_blocked || !button) return FALSE;
  if (event->type != GDK_BUTTON_PRESS && event->type != GDK_BUTTON_RELEASE) return TRUE;
  X11Platform* self = win->platform;
  const WindowId id = win->id;
  const int x = static_cast<int>(std::floor(event->x));
  const int y = static_cast<int>(std::floor(event->y));
  const int shift = shift_of(static_cast<GdkModifierType>(event->state));
  if (event->type == GDK_BUTTON_PRESS) {
    self->deliver([&] { self->sink_->mouse_down(id, button, shift, x, y); });
    // Anywhere on the window, its buttons included: they pass it on.
    if (event->button == GDK_BUTTON_SECONDARY && self->find(id)) {
      self->deliver([&] { self->sink_->context_menu(id); });
    }
  } else {
    self->deliver([&] { self->sink_->mouse_up(id, button, shift, x, y); });
  }
  return TRUE;
}

gboolean X11Platform::on_motion(GtkWidget*, GdkEventMotion* event, gpointer data) {
  auto* win = static_cast<Win*>(data);
  if (win->input_blocked) return FALSE;
  X11Platform* self = win->platform;
  const WindowId id = win->id;
  const auto state = static_cast<GdkModifierType>(event->state);
  const int x = static_cast<int>(std::floor(event->x));
  const int y = static_cast<int>(std::floor(event->y));
  self->deliver([&] { self->sink_->mouse_move(id, buttons_held(state), shift_of(state), x, y); });
  return TRUE;
}

gboolean X11Platform::on_placed(GtkWidget*, GdkEvent* event, gpointer data) {
  // The window manager states the frame's size in a property of the window.
  if (event->type != GDK_PROPERTY_NOTIFY ||
      event->property.atom == gdk_atom_intern_static_string("_NET_FRAME_EXTENTS")) {
    static_cast<Win*>(data)->on_screen.reset();
  }
  return FALSE;
}

gboolean X11Platform::on_window_state(GtkWidget* widget, GdkEventWindowState* event,
                                      gpointer data) {
  auto* win = static_cast<Win*>(data);
  // Our framed windows have no minimize box; one that is minimized all the
  // same (a window manager's "minimize all") has no way back, so it comes
  // back at once, still without the focus.
  if (win->shown && (event->changed_mask & GDK_WINDOW_STATE_ICONIFIED) &&
      (event->new_window_state & GDK_WINDOW_STATE_ICONIFIED)) {
    gtk_window_deiconify(GTK_WINDOW(widget));
  }
  return FALSE;
}

gboolean X11Platform::on_key(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* win = static_cast<Win*>(data);
  // Only a window that holds the keyboard hears keys; it keeps them all.
  if (!win->style.grabs_input) return FALSE;
  if (win->input_blocked) return TRUE;
  const int code = gtk::char_code_of(*event);
  if (!code) return TRUE;
  X11Platform* self = win->platform;
  const WindowId id = win->id;
  self->deliver([&] { self->sink_->key_press(id, code); });
  return TRUE;
}

void X11Platform::on_clicked(GtkButton* button, gpointer data) {
  auto* win = static_cast<Win*>(data);
  if (win->input_blocked) return;
  const int button_id = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), "pagerook-button"));
  X11Platform* self = win->platform;
  const WindowId id = win->id;
  self->deliver([&] { self->sink_->button_click(id, button_id); });
}

}  // namespace pr::x11
