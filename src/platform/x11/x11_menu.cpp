// X11Platform's popup menu: a GtkMenu at the pointer.
#include <glib.h>

#include "platform/errors.hpp"
#include "platform/files.hpp"
#include "platform/gtk/gtk_menu.hpp"
#include "platform/report.hpp"
#include "platform/x11/x11_platform.hpp"

namespace pr::x11 {

GtkWidget* X11Platform::build_menu(const Menu& menu) {
  return gtk::build_menu(menu, G_CALLBACK(on_menu_item), G_CALLBACK(on_menu_key), this);
}

void X11Platform::show_menu(WindowId w, const Menu& menu) {
  Win* win = find(w);
  if (!win || !win->shown || win->input_blocked) return;
  menu_.reset(build_menu(menu));
  menu_window_ = w;
  if (!gtk::popup_at_pointer(menu_.get(), win->built.window.get())) {
    report_error("the menu could not take the pointer and the keyboard");
  }
}

gboolean X11Platform::on_menu_key(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* self = static_cast<X11Platform*>(data);
  // The menu's keyboard grab hides Esc from the Esc grab: while Esc is
  // grabbed it goes to the grab's target too, after closing the menu.
  if (event->keyval == GDK_KEY_Escape && self->escape_target_ != kNoWindow) {
    const WindowId target = self->escape_target_;
    self->deliver([&] { self->sink_->key_press(target, kEscapeChar); });
  }
  return FALSE;
}

void X11Platform::on_menu_item(GtkMenuItem* item, gpointer data) {
  auto* self = static_cast<X11Platform*>(data);
  const int id = gtk::menu_item_id(item);
  const WindowId w = self->menu_window_;
  if (!self->find(w)) return;
  self->deliver([&] { self->sink_->menu_choice(w, id); });
}

}  // namespace pr::x11
