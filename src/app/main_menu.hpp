#pragma once

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

// Tick choices, tenths of a second as `tick_box` holds them.
inline constexpr const char* kTicks[] = {"3", "5", "10", "20"};
// Quality choices as `quality_box` holds them.
inline constexpr const char* kQualities[] = {"60", "70", "80", "90", "95", "100"};
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
