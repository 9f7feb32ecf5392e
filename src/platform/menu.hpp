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

}  // namespace pr
