// Other programs on the headless screen: which one has the focus, which are
// closed, and what they drew.
#include <algorithm>
#include <cstring>

#include "platform/headless/headless_platform.hpp"

namespace pr {

void HeadlessPlatform::set_button(WindowId w, int button_id, std::string_view caption,
                                  std::string_view tooltip) {
  Window* window = find(w);
  if (!window) return;
  for (ButtonDesign& button : window->design.buttons) {
    if (button.id != button_id) continue;
    button.caption = caption;
    button.tooltip = tooltip;
  }
}

void HeadlessPlatform::set_label(WindowId w, int label_id, std::string_view text,
                                 std::string_view tooltip) {
  if (Window* window = find(w))
    window->labels[label_id] = {std::string(text), std::string(tooltip)};
}

ForeignWindow HeadlessPlatform::focused_window() const {
  if (id_of(focus) != kNoWindow || closed_.count(focus)) return kNoForeignWindow;
  auto [it, added] = foreign_ids_.try_emplace(focus, 1000 + foreign_ids_.size());
  return it->second;
}

bool HeadlessPlatform::window_exists(ForeignWindow w) const {
  for (const auto& [name, id] : foreign_ids_) {
    if (id == w) return !closed_.count(name);
  }
  return false;
}

PixelRect HeadlessPlatform::window_area(ForeignWindow w) const {
  if (!window_exists(w)) return {};
  return {0, 0, screen_.width(), screen_.height()};
}

bool HeadlessPlatform::keyboard_held_by_us() const {
  if (menu_) return true;
  return std::any_of(windows_.begin(), windows_.end(), [](const auto& entry) {
    const Window& w = entry.second;
    return w.alive && w.visible && w.design.style.grabs_input;
  });
}

ScreenChanges HeadlessPlatform::take_screen_changes() {
  ScreenChanges changes{true, std::move(damage_)};
  damage_.clear();
  const int width = screen_.width(), height = screen_.height();
  if (seen_.width() != width || seen_.height() != height) {
    changes.areas.push_back({0, 0, width, height});
  } else {
    // The box around every pixel that differs from the last report's screen.
    int x0 = width, y0 = height, x1 = -1, y1 = -1;
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* now = screen_.view().row(y);
      const std::uint8_t* then = seen_.view().row(y);
      if (std::memcmp(now, then, static_cast<std::size_t>(width) * 4) == 0) continue;
      for (int x = 0; x < width; ++x) {
        if (std::memcmp(now + x * 4, then + x * 4, 3) == 0) continue;
        x0 = std::min(x0, x);
        x1 = std::max(x1, x);
      }
      y0 = std::min(y0, y);
      y1 = y;
    }
    if (x1 >= 0) changes.areas.push_back({x0, y0, x1 - x0 + 1, y1 - y0 + 1});
  }
  seen_.resize(width, height);
  paint_picture(seen_, screen_.view(), 0, 0, width, height, 0, 0, width, height);
  return changes;
}

}  // namespace pr
