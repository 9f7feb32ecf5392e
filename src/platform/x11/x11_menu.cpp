// X11Platform's popup menu: a GtkMenu at the pointer.
#include <glib.h>

#include "platform/errors.hpp"
#include "platform/files.hpp"
#include "platform/report.hpp"
#include "platform/x11/x11_platform.hpp"

namespace pr::x11 {

namespace {

constexpr char kItemId[] = "pagerook-menu-item";

}  // namespace

GtkWidget* X11Platform::build_menu(const Menu& menu) {
  GtkWidget* shell = gtk_menu_new();
  g_signal_connect(shell, "key-press-event", G_CALLBACK(on_menu_key), this);
  for (const MenuItem& item : menu) {
    GtkWidget* widget = nullptr;
    switch (item.kind) {
      case MenuItem::Kind::Separator:
        widget = gtk_separator_menu_item_new();
        break;
      case MenuItem::Kind::Check:
      case MenuItem::Kind::Radio:
        widget = gtk_check_menu_item_new_with_label(item.text.c_str());
        gtk_check_menu_item_set_draw_as_radio(GTK_CHECK_MENU_ITEM(widget),
                                              item.kind == MenuItem::Kind::Radio);
        // Set before "activate" is connected: setting it emits that signal.
        gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget), item.checked);
        break;
      case MenuItem::Kind::Command:
      case MenuItem::Kind::Submenu:
        widget = gtk_menu_item_new_with_label(item.text.c_str());
        break;
    }
    if (item.kind == MenuItem::Kind::Submenu) {
      gtk_menu_item_set_submenu(GTK_MENU_ITEM(widget), build_menu(item.items));
    } else if (item.kind != MenuItem::Kind::Separator) {
      g_object_set_data(G_OBJECT(widget), kItemId, GINT_TO_POINTER(item.id));
      g_signal_connect(widget, "activate", G_CALLBACK(on_menu_item), this);
    }
    gtk_widget_set_sensitive(widget, item.enabled);
    gtk_menu_shell_append(GTK_MENU_SHELL(shell), widget);
  }
  return shell;
}

void X11Platform::show_menu(WindowId w, const Menu& menu) {
  Win* win = find(w);
  if (!win || !win->shown || win->input_blocked) return;
  menu_.reset(build_menu(menu));
  menu_window_ = w;
  gtk_menu_attach_to_widget(GTK_MENU(menu_.get()), win->built.window.get(), nullptr);
  gtk_widget_show_all(menu_.get());
  // The menu takes the pointer and the keyboard with a grab of its own, so
  // the document keeps its focus while it is used from the keyboard.
  if (GdkEvent* trigger = gtk_get_current_event()) {
    gtk_menu_popup_at_pointer(GTK_MENU(menu_.get()), trigger);
    gdk_event_free(trigger);
  } else {
    // Not from a click: at the pointer all the same, as seen from the window.
    GdkWindow* window = gtk_widget_get_window(win->built.window.get());
    GdkDevice* pointer =
        gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_window_get_display(window)));
    GdkRectangle at{0, 0, 1, 1};
    gdk_window_get_device_position(window, pointer, &at.x, &at.y, nullptr);
    gtk_menu_popup_at_rect(GTK_MENU(menu_.get()), window, &at, GDK_GRAVITY_NORTH_WEST,
                           GDK_GRAVITY_NORTH_WEST, nullptr);
  }
  if (!gtk_widget_get_visible(menu_.get())) {
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
  const int id = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), kItemId));
  const WindowId w = self->menu_window_;
  if (!self->find(w)) return;
  self->deliver([&] { self->sink_->menu_choice(w, id); });
}

}  // namespace pr::x11
