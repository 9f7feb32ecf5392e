#include "platform/menu.hpp"

namespace pr {

const MenuItem* find_menu_item(const Menu& menu, int id) {
  for (const MenuItem& item : menu) {
    if (item.kind == MenuItem::Kind::Submenu) {
      if (const MenuItem* found = find_menu_item(item.items, id)) return found;
    } else if (item.kind != MenuItem::Kind::Separator && item.id == id) {
      return &item;
    }
  }
  return nullptr;
}

}  // namespace pr
