#include "platform/gtk/gtk_menu.hpp"

namespace pr::gtk {

namespace {

constexpr char kItemId[] = "pagerook-menu-item";

}  // namespace

GtkWidget* build_menu(const Menu& menu, GCallback activated, GCallback key_pressed, gpointer data) {
  GtkWidget* shell = gtk_menu_new();
  if (key_pressed) g_signal_connect(shell, "key-press-event", key_pressed, data);
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
      gtk_menu_item_set_submenu(GTK_MENU_ITEM(widget),
                                build_menu(item.items, activated, key_pressed, data));
    } else if (item.kind != MenuItem::Kind::Separator) {
      g_object_set_data(G_OBJECT(widget), kItemId, GINT_TO_POINTER(item.id));
      g_signal_connect(widget, "activate", activated, data);
    }
    gtk_widget_set_sensitive(widget, item.enabled);
    gtk_menu_shell_append(GTK_MENU_SHELL(shell), widget);
  }
  return shell;
}

int menu_item_id(GtkMenuItem* item) {
  return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), kItemId));
}

bool popup_at_pointer(GtkWidget* menu, GtkWidget* window) {
  gtk_menu_attach_to_widget(GTK_MENU(menu), window, nullptr);
  gtk_widget_show_all(menu);
  // The menu takes the pointer and the keyboard with a grab of its own, so
  // the document keeps its focus while it is used from the keyboard.
  if (GdkEvent* trigger = gtk_get_current_event()) {
    gtk_menu_popup_at_pointer(GTK_MENU(menu), trigger);
    gdk_event_free(trigger);
  } else {
    // Not from a click: at the pointer all the same, as seen from the window.
    GdkWindow* gdk = gtk_widget_get_window(window);
    GdkDevice* pointer =
        gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_window_get_display(gdk)));
    GdkRectangle at{0, 0, 1, 1};
    gdk_window_get_device_position(gdk, pointer, &at.x, &at.y, nullptr);
    gtk_menu_popup_at_rect(GTK_MENU(menu), gdk, &at, GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST,
                           nullptr);
  }
  return gtk_widget_get_visible(menu);
}

}  // namespace pr::gtk
