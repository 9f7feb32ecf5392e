#pragma once

#include <string>
#include <vector>

namespace pr {

// A popup menu as the program describes it each time it opens: the backend
// shows it as it is and reports the chosen item's id, nothing more.
struct MenuItem {
  enum class Kind { Command, Check, Radio, Submenu, Separator };

  int id = 0;  // reported when chosen; unused for a submenu or separator
  std::string text;
  Kind kind = Kind::Command;
  bool checked = false;  // a check or radio mark
  bool enabled = true;
  std::vector<MenuItem> items;  // a submenu's items
};

using Menu = std::vector<MenuItem>;

// The item with `id` anywhere in the menu, submenus included; null if none.
const MenuItem* find_menu_item(const Menu& menu, int id);

}  // namespace pr
