#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/image.hpp"

namespace pr {

// The values of `SelectionOverlay::phase`: the tick that turns the page, the tick
// that captures it, and three idle ticks after it (the last is kLastPhase).
inline constexpr std::int32_t kPageTurnPhase = 0;
inline constexpr std::int32_t kCapturePhase = 1;
inline constexpr std::int32_t kLastPhase = 4;

// `tick_box` holds the tick in tenths of a second.
inline constexpr double kMillisecondsPerTenth = 100.0;

// A new page is saved once two grabs this far apart agree; after this many
// tries within one tick, a screen that never settles is saved as last seen.
inline constexpr std::int32_t kSettleMs = 40;
inline constexpr int kSettleTries = 4;

// Two page turns in a row that change nothing: the document has ended.
inline constexpr int kUnchangedTurnsAtEnd = 2;

// "自动": the rectangle is grabbed on this grid after a page turn; a page that
// has not changed after the fixed cycle's period counts as an unchanged turn.
inline constexpr std::int32_t kAutoPollMs = 50;
inline constexpr int kAutoPollsPerTurn = 1500 / kAutoPollMs;

// How a capture run ended.
enum class RunEnd { Escape, DocumentEnd, SingleCapture };

// What a capture run keeps between ticks.
struct PageRun {
  Image last_saved;  // one buffer, reused page after page
  int pages = 0;
  int unchanged_turns = 0;
  // The page of the current turn is saved, or no turn is owed one.
  bool turn_saved = true;
  // "自动": a Page Down has gone out and `polls` grabs have looked for its page.
  bool page_turned = false;
  int polls = 0;
  // A new page is in the capture picture and its save failed: no page turns
  // until a later tick has saved it.
  bool held = false;
  // From a commit until the run's end is told.
  bool active = false;
  // "自动" as it stood at the commit: the run keeps the pace it began with.
  bool auto_mode = false;
  // A screen copy is under way; a copy that failed holds the cycle as well.
  bool copying = false;
  bool grab_failed = false;
  // What the caption shows after the count.
  std::string mark;
  // The errors said on stderr in this run, each once.
  std::vector<std::string> told;
};

}  // namespace pr
