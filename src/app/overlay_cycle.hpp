#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/constants.hpp"
#include "platform/image.hpp"

namespace pr {

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
  bool auto_pace = false;
  // A screen copy is under way; a copy that failed holds the cycle as well.
  bool copying = false;
  bool grab_failed = false;
  // What the caption shows after the count.
  std::string mark;
  // The errors said on stderr in this run, each once.
  std::vector<std::string> told;
};

}  // namespace pr
