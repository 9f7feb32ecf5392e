#pragma once

#include <cstdint>

#include "core/constants.hpp"

namespace pr {

// What the user chose in the menu. A commit takes the page key, the tick and
// "自动" for its whole run; the other options are read when they apply.
struct Options {
  int jpeg_quality = kDefaultJpegQuality;  // 0..100; outside a byte a save fails
  std::int32_t tick_ms = kDefaultTickMs;   // a page takes kTicksPerPage ticks
  // "窗口前置": the main window starts above the others, and its mark says so.
  bool keep_on_top = true;
  bool page_after_page = true;
  PageKey page_key = kDefaultPageKey;
  // Ends a run by itself once two page turns in a row changed nothing.
  bool stop_at_end = true;
  // "自动": each page is saved as soon as it has settled and the next one is
  // turned at once, instead of the fixed five-tick cycle.
  bool auto_pace = false;
  bool pdf_at_end = false;  // "结束时生成 PDF"
};

}  // namespace pr
