#pragma once

#include <cstdint>

#include "core/constants.hpp"

namespace pr::menu {

// The ids the main window's popup menu reports. A value item's id is its
// list's base plus its index in that list.
enum Id : int {
  kKeepOnTop = 1,
  kIntervalCapture,
  kAutoTick,
  kStopAtEnd,
  kPreview,
  kOpenFolder,
  kMakePdf,
  kPdfAtEnd,
  kExit,
  kTickBase = 100,
  kQualityBase = 200,
  kKeyBase = 300,
};

// Tick choices, milliseconds.
inline constexpr std::int32_t kTicks[] = {300, 500, 1000, 2000};
inline constexpr int kQualities[] = {60, 70, 80, 90, 95, 100};
// Page-turn keys and what the menu calls them.
struct PageKeyChoice {
  PageKey key;
  const char* text;
};
inline constexpr PageKeyChoice kPageKeys[] = {{PageKey::PageDown, "Page Down"},
                                              {PageKey::Right, "→ 右方向键"},
                                              {PageKey::Down, "↓ 下方向键"},
                                              {PageKey::Space, "空格键"}};

}  // namespace pr::menu
