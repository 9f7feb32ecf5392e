#include "app/selection_overlay.hpp"

#include <algorithm>
#include <cstdlib>

#include "app/designs.hpp"
#include "app/main_window.hpp"
#include "app/program.hpp"
#include "platform/errors.hpp"

namespace pr {

namespace {
constexpr int kLeftButton = 1;
}  // namespace

SelectionOverlay::SelectionOverlay(Program& program)
    : AppWindow(program.platform(), design::overlay()),
      tick_timer(
          program.platform(),
          [&program](bool enabled) {
            // While the cycle runs, Esc from anywhere stops it; after a run
            // that stopped by itself, Esc is still taken for a moment, as the
            // user may press it just then.
            if (!enabled && program.overlay_loaded() && program.overlay().keep_escape_briefly()) {
              return;
            }
            WindowId target = program.ended() ? kNoWindow : program.main_window().id();
            program.platform().grab_escape(target, enabled && target != kNoWindow);
            if (program.overlay_loaded()) program.overlay().keep_escape(enabled);
          }),
      escape_grace_timer(program.platform()),
      outline(program.platform(), id(), kOutlineColour,
              design::outline_start(program.platform().twips_per_pixel())),
      program_(program),
      run_host_(program),
      cycle_(run_host_, program.capture_folder()) {}

PixelRect SelectionOverlay::region() const {
  return {std::min(start_x, end_x), std::min(start_y, end_y), std::abs(end_x - start_x),
          std::abs(end_y - start_y)};
}

void SelectionOverlay::on_load() {
  outline.set_width(0);
  outline.set_height(0);
  navigate_word();
}

void SelectionOverlay::on_tick() {
  keep_escape(true);
  cycle_.on_tick();
}

bool SelectionOverlay::keep_escape_briefly() {
  const RunEnd how = cycle_.ended_by();
  if (cycle_.active() ||
      !(how == RunEnd::DocumentEnd || how == RunEnd::NoPageTurn || how == RunEnd::DocumentClosed)) {
    return false;
  }
  carry_on_after_failure([&] { escape_grace_timer.set_interval(kEscapeGraceMs); });
  escape_grace_timer.set_enabled(true);
  return true;
}

void SelectionOverlay::on_escape_grace_over() {
  escape_grace_timer.set_enabled(false);
  if (cycling()) return;
  platform_.grab_escape(kNoWindow, false);
  keep_escape(false);
}

void SelectionOverlay::keep_escape(bool cycling) {
  const bool was_missing = run_host_.escape_missing;
  if (cycling && !program_.ended() && !platform_.escape_grabbed()) {
    platform_.grab_escape(program_.main_window().id(), true);
  }
  run_host_.escape_missing = cycling && !platform_.escape_grabbed();
  if (run_host_.escape_missing != was_missing) run_host_.show_status_again();
}

void SelectionOverlay::on_mouse_down(int button, int, int x, int y) {
  if (button == kLeftButton) {
    start_x = x;
    start_y = y;
    outline.set_left(x);
    outline.set_top(y);
  }
}

void SelectionOverlay::on_mouse_move(int button, int, int x, int y) {
  if (button == kLeftButton) {
    // The outline spans the press point and the pointer, whichever way the
    // user drags.
    outline.set_left(std::min(start_x, x));
    outline.set_top(std::min(start_y, y));
    outline.set_width(std::abs(start_x - x));
    outline.set_height(std::abs(start_y - y));
  }
}

void SelectionOverlay::on_key(int key_ascii) {
  if (key_ascii == kEscapeChar && visible()) cancel_selection();
}

void SelectionOverlay::cancel_selection() {
  outline.set_width(0);
  outline.set_height(0);
  hide();
  tick_timer.set_interval(0);
  tick_timer.set_enabled(false);
  program_.main_window().show();
  program_.set_mouse_pointer(MousePointer::Arrow);
  if (!committed_) navigation_unused_ = true;
}

void SelectionOverlay::navigate_word_if_unused() {
  if (!navigation_unused_) return;
  navigation_unused_ = false;
  navigate_word();
}

}  // namespace pr
