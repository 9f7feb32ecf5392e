#include "headless_script.hpp"

namespace pr::test {

const MenuItem* menu_item(const HeadlessPlatform& hp, const std::vector<std::string>& path) {
  if (!hp.open_menu() || path.empty()) return nullptr;
  const Menu* level = &hp.open_menu()->items;
  const MenuItem* found = nullptr;
  for (const std::string& step : path) {
    if (!level) return nullptr;
    found = nullptr;
    for (const MenuItem& item : *level) {
      if (item.kind == MenuItem::Kind::Separator || !item.text.starts_with(step)) continue;
      if (item.text == step) {
        found = &item;
        break;
      }
      if (!found) found = &item;
    }
    if (!found) return nullptr;
    level = found->kind == MenuItem::Kind::Submenu ? &found->items : nullptr;
  }
  return found;
}

bool choose(HeadlessPlatform& hp, const std::vector<std::string>& path) {
  const MenuItem* item = menu_item(hp, path);
  if (!item || !item->enabled || item->kind == MenuItem::Kind::Submenu) return false;
  hp.choose_item(item->id);
  return true;
}

ModalScript::ModalScript(HeadlessPlatform& hp) : hp_(hp) {
  hp_.while_modal = [this] {
    if (steps_.empty()) return false;
    std::function<void()> step = std::move(steps_.front());
    steps_.pop_front();
    step();
    return true;
  };
}

ModalScript::~ModalScript() {
  hp_.while_modal = nullptr;
}

}  // namespace pr::test
