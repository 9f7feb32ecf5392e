// The overlay's timer tick drives the page cycle; its handlers live here with
// the rest of the cycle.
#include "app/overlay_cycle.hpp"

#include <algorithm>
#include <string>
#include <system_error>
#include <vector>

#include "app/designs.hpp"
#include "app/main_window.hpp"
#include "app/preview_window.hpp"
#include "app/program.hpp"
#include "app/selection_overlay.hpp"
#include "app/trace.hpp"
#include "core/page_compare.hpp"
#include "platform/errors.hpp"
#include "platform/files.hpp"
#include "platform/keys.hpp"
#include "platform/report.hpp"
#include "platform/units.hpp"

namespace pr {

namespace {

// Why a save failed, in the caption's few words.
const char* save_failure_words(std::error_code error) {
  if (error == std::errc::no_space_on_device || error == std::errc::file_too_large) {
    return "磁盘已满";
  }
  if (error == std::errc::read_only_file_system) return "磁盘只读";
  if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted) {
    return "无权写入";
  }
  if (error == std::errc::not_a_directory || error == std::errc::no_such_file_or_directory) {
    return "文件夹不可用";
  }
  return "保存失败";
}

const char* why(RunEnd how) {
  switch (how) {
    case RunEnd::Escape:
      return "stopped by Esc";
    case RunEnd::DocumentEnd:
      return "end of the document";
    case RunEnd::SingleCapture:
      break;
  }
  return "one capture";
}

}  // namespace

void SelectionOverlay::on_tick() {
  keep_escape(true);
  try {
    cycle_tick();
  } catch (const std::exception& error) {
    // The phase has not moved on, so the next tick tries the same step again
    // and no page is turned past one that was not read.
    if (!run_.copying) throw;
    run_.copying = false;
    run_.grab_failed = true;
    tell_once(std::string("the screen could not be read: ") + error.what() +
              "; the cycle waits and tries again at every tick");
    if (!run_.held) show_count(" ⚠ 截屏失败");
    return;
  }
  if (run_.grab_failed && !run_.held) {
    run_.grab_failed = false;
    show_count("");
  }
}

void SelectionOverlay::cycle_tick() {
  paused_ms_ = 0;
  // A page whose save failed is saved before anything else happens, so that
  // no page is skipped and the numbers have no gap.
  if (run_.held) {
    if (!save_page()) return;
    if (run_.auto_pace) {
      turn_page();
      return;
    }
  }
  if (run_.auto_pace) {
    auto_tick();
    return;
  }
  const std::int32_t now = phase;
  if (now == kPageTurnPhase) turn_page();
  if (now == kCapturePhase) {
    hide();
    program_.preview().hide();
    move(0, 0, program_.screen_width(), program_.screen_height());
    set_auto_redraw(true);
    // Only the committed rectangle of this frozen screen is ever read: the
    // overlay is hidden again before this tick returns.
    float dx = region_width();
    float dy = region_height();
    copy_region();
    set_auto_redraw(false);
    show();
    platform_.set_topmost(id(), true);
    program_.main_window().last_picture.draw_picture(picture(), 0, 0, dx, dy, region_left(),
                                                     region_top(), dx, dy);
    hide();
    take_new_page();
    program_.set_mouse_pointer(MousePointer::Arrow);
  }
  // A page drawn late is still taken before the next page turn.
  if (now > kCapturePhase && !run_.turn_saved) {
    grab_again();
    take_new_page();
  }
  // Last, so that a tick whose work failed runs its phase again.
  phase = now + 1 > kLastPhase ? kPageTurnPhase : now + 1;
  if (now == kLastPhase && !run_.turn_saved) count_unchanged_turn();
}

void SelectionOverlay::auto_tick() {
  if (!run_.page_turned) {
    turn_page();
    return;
  }
  ++run_.polls;
  grab_again();
  if (take_new_page()) {
    turn_page();
  } else if (run_.polls >= kAutoPollsPerTurn && !count_unchanged_turn()) {
    turn_page();
  }
}

void SelectionOverlay::turn_page() {
  platform_.send_keys(page_keys);
  run_.turn_saved = false;
  run_.page_turned = true;
  run_.polls = 0;
}

ImageView SelectionOverlay::grab_region() {
  // The overlay would show the very picture it froze, so the screen is not
  // frozen again; the preview must stay out of the picture all the same.
  if (program_.preview_loaded() && program_.preview().visible()) program_.preview().hide();
  copy_region();
  return picture();
}

void SelectionOverlay::copy_region() {
  run_.copying = true;
  copy_screen_part(region_left(), region_top(), region_width(), region_height());
  // A screen made smaller under the cycle gives a part of the rectangle or
  // nothing: no page to save, so the cycle waits as for a failed copy.
  const float tpp = platform_.twips_per_pixel();
  if (picture().width < to_pixels(region_width(), tpp) ||
      picture().height < to_pixels(region_height(), tpp)) {
    throw Error(ErrorKind::Platform, "the rectangle is no longer wholly on the screen");
  }
  run_.copying = false;
}

void SelectionOverlay::grab_again() {
  grab_region();
  crop_to_picture();
}

void SelectionOverlay::crop_to_picture() {
  float dx = region_width();
  float dy = region_height();
  program_.main_window().last_picture.draw_picture(picture(), 0, 0, dx, dy, region_left(),
                                                   region_top(), dx, dy);
}

bool SelectionOverlay::take_new_page() {
  const PictureBox& picture = program_.main_window().last_picture;
  if (same_page(run_.last_saved.view(), picture.picture())) return false;
  // A page still being drawn is taken once two grabs a moment apart agree.
  for (int i = 0; i < kSettleTries; ++i) {
    const double before = Trace::now_ms();
    platform_.sleep_ms(kSettleMs);
    paused_ms_ += Trace::now_ms() - before;
    if (same_page(picture.picture(), grab_region())) break;
    crop_to_picture();
  }
  if (same_page(run_.last_saved.view(), picture.picture())) return false;
  return save_page();
}

bool SelectionOverlay::count_unchanged_turn() {
  ++run_.unchanged_turns;
  if (run_.unchanged_turns < kUnchangedTurnsAtEnd || !program_.main_window().options.stop_at_end)
    return false;
  program_.main_window().stop_cycle();
  end_run(RunEnd::DocumentEnd);
  return true;
}

void SelectionOverlay::begin_run() {
  run_.auto_pace = program_.main_window().options.auto_pace;
  run_.last_saved.resize(0, 0);
  run_.pages = 0;
  run_.unchanged_turns = 0;
  run_.turn_saved = true;
  run_.page_turned = false;
  run_.polls = 0;
  run_.held = false;
  run_.grab_failed = false;
  run_.told.clear();
  run_.active = true;
  show_count("");
}

bool SelectionOverlay::save_page() {
  if (!program_.main_window().has_capture()) return false;
  WriteResult saved;
  std::vector<std::string> lines;
  {
    // Held back: a save tried again at every tick says each error once.
    HeldReports reports;
    try {
      saved = program_.save_capture();
    } catch (const Error& error) {
      saved.error = error.code();
      report_error(error.what());
    } catch (const std::exception& error) {
      report_error(error.what());
    }
    lines = reports.lines();
  }
  if (!saved) {
    hold(lines, save_failure_words(saved.error));
    return false;
  }
  for (const std::string& line : lines) report_error(line);
  run_.held = false;
  run_.grab_failed = false;
  keep_copy(run_.last_saved, program_.main_window().last_picture.picture());
  ++run_.pages;
  run_.turn_saved = true;
  run_.unchanged_turns = 0;
  show_count("");
  return true;
}

void SelectionOverlay::end_run(RunEnd how) {
  if (!run_.active) return;
  run_.active = false;
  show_count(how == RunEnd::DocumentEnd ? " ✓" : "");
  const PdfOutcome pdf = program_.pdf_at_run_end();
  if (program_.run_report) {
    program_.run_report(std::to_string(run_.pages) + (run_.pages == 1 ? " page" : " pages") +
                        " saved in " + files::to_utf8(program_.capture_folder()) + " (" + why(how) +
                        ")" + (pdf.written ? ", and 截图.pdf written" : ""));
  }
}

void SelectionOverlay::hold(const std::vector<std::string>& lines, std::string_view words) {
  std::string why;
  for (const std::string& line : lines) why += (why.empty() ? " (" : "; ") + line;
  if (!why.empty()) why += ")";
  tell_once("a page could not be saved in " + files::to_utf8(program_.capture_folder()) + why +
            "; the cycle waits and tries again at every tick");
  run_.held = true;
  show_count(" ⚠ " + std::string(words));
}

void SelectionOverlay::tell_once(const std::string& line) {
  if (std::find(run_.told.begin(), run_.told.end(), line) != run_.told.end()) return;
  run_.told.push_back(line);
  report_error(line);
}

void SelectionOverlay::keep_escape(bool cycling) {
  const bool was_missing = escape_missing_;
  if (cycling && !program_.ended() && !platform_.escape_grabbed()) {
    platform_.grab_escape(program_.main_window().id(), true);
  }
  escape_missing_ = cycling && !platform_.escape_grabbed();
  if (escape_missing_ != was_missing) show_count(run_.mark);
}

void SelectionOverlay::show_count(std::string_view mark) {
  run_.mark = mark;
  program_.main_window().set_caption(std::string(design::kTitle) + " " +
                                     std::to_string(run_.pages) + std::string(mark) +
                                     (escape_missing_ ? " · Esc 无效" : ""));
}

}  // namespace pr
