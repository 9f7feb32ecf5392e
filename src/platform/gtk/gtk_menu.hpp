#pragma once

#include <gtk/gtk.h>

#include "platform/menu.hpp"

namespace pr::gtk {

// A GtkMenu of the program's menu, submenus included. Each item's
// "activate" calls `activated` with `data`; menu_item_id() tells which item
// it was. `key_pressed`, when given, hears the keys of every menu shell.
GtkWidget* build_menu(const Menu& menu, GCallback activated, GCallback key_pressed, gpointer data);
int menu_item_id(GtkMenuItem* item);

// Pops the menu up at the pointer over `window`, with a grab of its own so
// that the document keeps the keyboard focus; false when it could not.
bool popup_at_pointer(GtkWidget* menu, GtkWidget* window);

}  // namespace pr::gtk
