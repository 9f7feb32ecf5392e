#include "core/page_cycle.hpp"

#include <algorithm>
#include <system_error>
#include <utility>

#include "core/constants.hpp"
#include "core/page_compare.hpp"
#include "platform/errors.hpp"
#include "platform/files.hpp"
#include "platform/report.hpp"

namespace pr {

namespace {

// Why a save failed, in the status's few words.
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

// How a run ended: the stdout line's words, the status's mark and its sentence.
struct EndWords {
  const char* why;
  const char* mark;
  const char* sentence;
};

EndWords words_for(RunEnd how) {
  switch (how) {
    case RunEnd::Escape:
      return {"stopped by Esc", "", "已停止 (Esc)"};
    case RunEnd::StopButton:
      return {"stopped by the 停止 button", "", "已停止 (停止按钮)"};
    case RunEnd::ProgramClosed:
      return {"stopped: Pagerook closed", "", "已停止 (退出)"};
    case RunEnd::DocumentEnd:
      return {"end of the document", " ✓", "文档已到末页"};
    case RunEnd::NoPageTurn:
      return {"the document did not move: its program may not turn pages with this key",
              " ⚠ 翻页键无效?", "文档没有翻页：这个程序可能不用这个翻页键"};
    case RunEnd::DocumentClosed:
      return {"the document was closed", " ⚠ 文档已关闭", "文档已关闭，运行已结束"};
    case RunEnd::SingleCapture:
      break;
  }
  return {"one capture", "", "单张截图"};
}

// A picture all of one colour: what many viewers show before a page is drawn.
bool all_one_colour(ImageView picture) {
  if (picture.empty()) return true;
  const std::uint32_t first = picture.pixel(0, 0);
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      if (picture.pixel(x, y) != first) return false;
    }
  }
  return true;
}

}  // namespace

PageCycle::PageCycle(RunHost& host, std::filesystem::path folder)
    : host_(host), folder_(std::move(folder)), phase_(kFirstRunPhase) {}

std::int32_t PageCycle::tick_ms() const {
  return options_.auto_pace ? kAutoPollMs : options_.tick_ms;
}

void PageCycle::start(const PixelRect& region, const Options& options, ImageView first_page) {
  region_ = region;
  options_ = options;
  page_keys_ = {chord_of(options.page_key)};
  document_ = host_.focused_window();
  // What was drawn before the commit belongs to no turn.
  changes_known_ = host_.take_screen_changes().known;
  turn_ = {};
  last_saved_.resize(0, 0);
  window_before_.resize(0, 0);
  pages_ = 0;
  unchanged_turns_ = 0;
  closed_unchanged_ = false;
  any_turn_changed_ = false;
  held_ = false;
  waiting_for_focus_ = false;
  read_failed_ = false;
  told_.clear();
  active_ = true;
  set_mark("");
  save_page(first_page);
  if (!options.page_after_page) {
    end(RunEnd::SingleCapture);
    return;
  }
  // A run that resumes where the last one stopped, after its page turn,
  // still takes what the document shows at its capture tick.
  turn_ = {};
  turn_.open = phase_ > kPageTurnPhase && phase_ <= kCapturePhase;
  turn_.keyed = false;
}

void PageCycle::on_tick() {
  try {
    tick();
  } catch (const std::exception& error) {
    // The run has not moved on, so the next tick tries the same step again
    // and no page is turned past one that was not read.
    if (!reading_) throw;
    reading_ = false;
    read_failed_ = true;
    tell_once(std::string("the screen could not be read: ") + error.what() +
              "; the cycle waits and tries again at every tick");
    if (!held_) set_mark(" ⚠ 截屏失败", "截屏失败：每次计时都会重试");
    return;
  }
  if (read_failed_ && !held_) {
    read_failed_ = false;
    set_mark("");
  }
}

void PageCycle::tick() {
  if (!active_) return;
  // Nothing beneath a closed document is ever saved as its page.
  if (document_ != kNoForeignWindow) {
    document_area_ = host_.window_area(document_);
    if (document_area_.width <= 0 && !host_.window_exists(document_)) {
      end(RunEnd::DocumentClosed);
      host_.stop_ticking();
      return;
    }
  }
  // A page whose save failed is saved before anything else happens, so that
  // no page is skipped and the numbers have no gap.
  if (held_) {
    if (!save_page(page_.view())) return;
    if (options_.auto_pace) turn_.open = false;
  }
  options_.auto_pace ? auto_tick() : paced_tick();
}

void PageCycle::paced_tick() {
  const std::int32_t now = phase_;
  if (now == kPageTurnPhase) {
    // Late drawing of the last turn's page is over with; it is not this
    // turn's. But a turn that seemed to change nothing and is drawn now did
    // turn the page, later than a page's time (a slow program, a busy
    // machine): its page gets another cycle before the next key.
    const bool late = window_changed(host_.take_screen_changes()) && closed_unchanged_;
    closed_unchanged_ = false;
    // The phase stays until the document has the keyboard again.
    if (!may_turn()) return;
    if (late) {
      --unchanged_turns_;
      turn_ = {};
      turn_.open = turn_.changed = true;
      phase_ = kCapturePhase;
      return;
    }
    turn_page();
  } else if (turn_.open) {
    ++turn_.ticks;
    if (changes_known_) {
      observe();
      if (!turn_.saved && turn_.changed) {
        save_page(read());
      } else if (turn_.saved && turn_.repainted && (turn_.quiet_ticks > 0 || now == kLastPhase)) {
        save_page(read(), true);
      }
    } else {
      compare_instead();
    }
  }
  // Last, so that a tick whose work failed runs its phase again.
  phase_ = now + 1 > kLastPhase ? kPageTurnPhase : now + 1;
  if (now == kLastPhase && turn_.open) close_turn();
}

void PageCycle::auto_tick() {
  if (!turn_.open) {
    if (may_turn()) turn_page();
    return;
  }
  ++turn_.ticks;
  const bool out_of_time = turn_.ticks >= kAutoPollsPerTurn;
  if (changes_known_) {
    observe();
    if (turn_.changed &&
        (turn_.quiet_ticks >= kAutoQuietPolls || turn_.ticks >= kAutoPollsAtMost)) {
      const ImageView page = read();
      // It may be the viewer's blank stand-in for a page it is still drawing.
      if (!out_of_time && all_one_colour(page)) return;
      if (!save_page(page)) return;
      turn_.open = false;
      if (may_turn()) turn_page();
      return;
    }
    // The window is still drawing what the turn changed.
    if (turn_.changed) return;
  } else {
    compare_instead();
    if (turn_.saved) {
      turn_.open = false;
      if (may_turn()) turn_page();
      return;
    }
  }
  if (out_of_time && !close_turn() && may_turn()) turn_page();
}

bool PageCycle::may_turn() {
  const char* why = nullptr;
  const char* sentence = nullptr;
  if (host_.keyboard_held_by_us()) {
    why = " ⚠ 菜单打开中";
    sentence = "菜单打开中：翻页暂停，关闭菜单后继续";
  } else if (document_ != kNoForeignWindow && host_.focused_window() != document_) {
    why = " ⚠ 文档不在前台";
    sentence = "文档不在前台：翻页暂停，回到文档窗口后继续";
  }
  if (why) {
    if (!held_ && mark_ != why) set_mark(why, sentence);
    waiting_for_focus_ = true;
    return false;
  }
  if (waiting_for_focus_) {
    waiting_for_focus_ = false;
    if (!held_) set_mark("");
  }
  return true;
}

void PageCycle::turn_page() {
  if (!changes_known_ && document_ != kNoForeignWindow && document_area_.width > 0) {
    // What the window showed before the key, to tell what the key changed.
    reading_ = true;
    keep_copy(window_before_, host_.grab(document_area_));
    reading_ = false;
  }
  host_.send_keys(page_keys_);
  turn_ = {};
  turn_.open = true;
}

bool PageCycle::window_changed(const ScreenChanges& changes) const {
  return std::any_of(changes.areas.begin(), changes.areas.end(),
                     [&](const PixelRect& area) { return changes_window(area); });
}

bool PageCycle::changes_window(const PixelRect& area) const {
  // A blinking text cursor is no change of page.
  if (area.width <= kCaretMaxWidth && area.height <= kCaretMaxHeight) return false;
  return document_ == kNoForeignWindow || overlaps(area, document_area_);
}

void PageCycle::observe() {
  bool changed = false;
  for (const PixelRect& area : host_.take_screen_changes().areas) {
    if (!changes_window(area)) continue;
    changed = true;
    if (turn_.saved && overlaps(area, region_)) turn_.repainted = true;
  }
  if (changed) {
    turn_.changed = true;
    turn_.quiet_ticks = 0;
  } else {
    ++turn_.quiet_ticks;
  }
}

void PageCycle::compare_instead() {
  // The document's whole window tells whether the turn changed it, even
  // when the rectangle shows a page like the last one.
  if (document_ != kNoForeignWindow && document_area_.width > 0 && window_before_.width() > 0) {
    reading_ = true;
    const ImageView window = host_.grab(document_area_);
    reading_ = false;
    if (!same_page(window_before_.view(), window)) turn_.changed = true;
  }
  const ImageView page = read();
  const bool new_pixels = !same_page(last_saved_.view(), page);
  if (new_pixels) turn_.changed = true;
  // A page drawn further after its save replaces its picture.
  if (turn_.changed && (!turn_.saved || new_pixels)) save_page(page, turn_.saved);
}

ImageView PageCycle::read() {
  reading_ = true;
  const ImageView now = host_.grab(region_);
  // A screen made smaller under the run gives a part of the rectangle or
  // nothing: no page to save, so the run waits as for a failed read.
  if (now.width < region_.width || now.height < region_.height) {
    throw Error("the rectangle is no longer wholly on the screen");
  }
  reading_ = false;
  return now;
}

bool PageCycle::close_turn() {
  turn_.open = false;
  if (turn_.changed || !turn_.keyed) return false;
  ++unchanged_turns_;
  closed_unchanged_ = true;
  if (unchanged_turns_ < kUnchangedTurnsAtEnd || !options_.stop_at_end) return false;
  end(any_turn_changed_ ? RunEnd::DocumentEnd : RunEnd::NoPageTurn);
  host_.stop_ticking();
  return true;
}

bool PageCycle::save_page(ImageView page, bool again) {
  if (page.empty()) return false;
  WriteResult saved;
  std::vector<std::string> lines;
  {
    // Held back: a save tried again at every tick says each error once.
    HeldReports reports;
    try {
      saved = host_.save(page, again);
    } catch (const Error& error) {
      saved.error = error.code();
      report_error(error.what());
    } catch (const std::exception& error) {
      report_error(error.what());
    }
    lines = reports.lines();
  }
  if (!saved && again) {
    // The picture saved first stays; the run goes on.
    for (const std::string& line : lines) tell_once(line);
    return false;
  }
  if (!saved) {
    // Kept for the tries to come: the screen may show something else by then.
    if (page.pixels != page_.view().pixels) keep_copy(page_, page);
    hold_save(lines, save_failure_words(saved.error));
    return false;
  }
  for (const std::string& line : lines) report_error(line);
  if (!again) ++pages_;
  if (turn_.open) {
    any_turn_changed_ = true;
    unchanged_turns_ = 0;
  }
  held_ = false;
  read_failed_ = false;
  // Without change reports the next turn's pixels are compared with it.
  if (!changes_known_) keep_copy(last_saved_, page);
  turn_.saved = true;
  turn_.repainted = false;
  if (!waiting_for_focus_) set_mark("");
  return true;
}

void PageCycle::end(RunEnd how) {
  if (!active_) return;
  active_ = false;
  ended_by_ = how;
  const EndWords words = words_for(how);
  set_mark(words.mark, words.sentence);
  const PdfOutcome pdf = host_.pdf_at_end();
  host_.report(std::to_string(pages_) + (pages_ == 1 ? " page" : " pages") + " saved in " +
               files::to_utf8(folder_) + " (" + words.why + ")" +
               (pdf.written ? ", and 截图.pdf written" : ""));
}

void PageCycle::hold_save(const std::vector<std::string>& lines, std::string_view words) {
  std::string why;
  for (const std::string& line : lines) why += (why.empty() ? " (" : "; ") + line;
  if (!why.empty()) why += ")";
  tell_once("a page could not be saved in " + files::to_utf8(folder_) + why +
            "; the cycle waits and tries again at every tick");
  held_ = true;
  set_mark(" ⚠ " + std::string(words), std::string(words) + "：这一页还没保存，每次计时都会重试");
}

void PageCycle::tell_once(const std::string& line) {
  if (std::find(told_.begin(), told_.end(), line) != told_.end()) return;
  told_.push_back(line);
  report_error(line);
}

void PageCycle::set_mark(std::string_view mark, std::string_view sentence) {
  mark_ = mark;
  std::string full = "已保存 " + std::to_string(pages_) + " 页";
  if (!sentence.empty()) full += "；" + std::string(sentence);
  host_.show_status(status(), full);
}

}  // namespace pr
