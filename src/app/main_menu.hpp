#pragma once

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
// Page-turn keys as the cycle sends them, and what the menu calls them.
struct PageKeyChoice {
  const char* keys;
  const char* text;
};
inline constexpr PageKeyChoice kPageKeys[] = {{"{PgDn}", "Page Down（默认）"},
                                              {"{RIGHT}", "→ 右方向键"},
                                              {"{DOWN}", "↓ 下方向键"},
                                              {" ", "空格键"}};

}  // namespace pr::menu
