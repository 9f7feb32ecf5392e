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

PageCycle::PageCycle(RunHost& host, std::filesystem::path folder)
    : host_(host), folder_(std::move(folder)), phase_(kFirstRunPhase) {}

std::int32_t PageCycle::tick_ms() const {
  return options_.auto_pace ? kAutoPollMs : options_.tick_ms;
}

void PageCycle::start(const PixelRect& region, const Options& options, ImageView first_page) {
  region_ = region;
  options_ = options;
  page_keys_ = {chord_of(options.page_key)};
  last_saved_.resize(0, 0);
  pages_ = 0;
  unchanged_turns_ = 0;
  turn_saved_ = true;
  page_turned_ = false;
  polls_ = 0;
  held_ = false;
  read_failed_ = false;
  told_.clear();
  active_ = true;
  set_mark("");
  keep_copy(page_, first_page);
  save_page();
  if (!options.page_after_page) end(RunEnd::SingleCapture);
}

void PageCycle::on_tick() {
  paused_ms_ = 0;
  try {
    tick();
  } catch (const std::exception& error) {
    // The phase has not moved on, so the next tick tries the same step again
    // and no page is turned past one that was not read.
    if (!reading_) throw;
    reading_ = false;
    read_failed_ = true;
    tell_once(std::string("the screen could not be read: ") + error.what() +
              "; the cycle waits and tries again at every tick");
    if (!held_) set_mark(" ⚠ 截屏失败");
    return;
  }
  if (read_failed_ && !held_) {
    read_failed_ = false;
    set_mark("");
  }
}

void PageCycle::tick() {
  // A page whose save failed is saved before anything else happens, so that
  // no page is skipped and the numbers have no gap.
  if (held_) {
    if (!save_page()) return;
    if (options_.auto_pace) {
      turn_page();
      return;
    }
  }
  if (options_.auto_pace) {
    auto_tick();
    return;
  }
  const std::int32_t now = phase_;
  if (now == kPageTurnPhase) turn_page();
  if (now == kCapturePhase) {
    grab();
    take_new_page();
  }
  // A page drawn late is still taken before the next page turn.
  if (now > kCapturePhase && !turn_saved_) {
    grab();
    take_new_page();
  }
  // Last, so that a tick whose work failed runs its phase again.
  phase_ = now + 1 > kLastPhase ? kPageTurnPhase : now + 1;
  if (now == kLastPhase && !turn_saved_) count_unchanged_turn();
}

void PageCycle::auto_tick() {
  if (!page_turned_) {
    turn_page();
    return;
  }
  ++polls_;
  grab();
  if (take_new_page()) {
    turn_page();
  } else if (polls_ >= kAutoPollsPerTurn && !count_unchanged_turn()) {
    turn_page();
  }
}

void PageCycle::turn_page() {
  host_.send_keys(page_keys_);
  turn_saved_ = false;
  page_turned_ = true;
  polls_ = 0;
}

void PageCycle::grab() {
  reading_ = true;
  const ImageView now = host_.grab(region_);
  // A screen made smaller under the run gives a part of the rectangle or
  // nothing: no page to save, so the run waits as for a failed read.
  if (now.width < region_.width || now.height < region_.height) {
    throw Error("the rectangle is no longer wholly on the screen");
  }
  keep_copy(page_, now);
  reading_ = false;
}

bool PageCycle::take_new_page() {
  if (same_page(last_saved_.view(), page_.view())) return false;
  // A page still being drawn is taken once two reads a moment apart agree.
  for (int i = 0; i < kSettleTries; ++i) {
    const auto before = std::chrono::steady_clock::now();
    host_.pause(kSettleMs);
    paused_ms_ +=
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before)
            .count();
    reading_ = true;
    const ImageView again = host_.grab(region_);
    reading_ = false;
    if (same_page(page_.view(), again)) break;
    keep_copy(page_, again);
  }
  if (same_page(last_saved_.view(), page_.view())) return false;
  return save_page();
}

bool PageCycle::count_unchanged_turn() {
  ++unchanged_turns_;
  if (unchanged_turns_ < kUnchangedTurnsAtEnd || !options_.stop_at_end) return false;
  host_.stop_ticking();
  end(RunEnd::DocumentEnd);
  return true;
}

bool PageCycle::save_page() {
  if (page_.view().empty()) return false;
  WriteResult saved;
  std::vector<std::string> lines;
  {
    // Held back: a save tried again at every tick says each error once.
    HeldReports reports;
    try {
      saved = host_.save(page_.view());
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
  held_ = false;
  read_failed_ = false;
  keep_copy(last_saved_, page_.view());
  ++pages_;
  turn_saved_ = true;
  unchanged_turns_ = 0;
  set_mark("");
  return true;
}

void PageCycle::end(RunEnd how) {
  if (!active_) return;
  active_ = false;
  set_mark(how == RunEnd::DocumentEnd ? " ✓" : "");
  const PdfOutcome pdf = host_.pdf_at_end();
  host_.report(std::to_string(pages_) + (pages_ == 1 ? " page" : " pages") + " saved in " +
               files::to_utf8(folder_) + " (" + why(how) + ")" +
               (pdf.written ? ", and 截图.pdf written" : ""));
}

void PageCycle::hold(const std::vector<std::string>& lines, std::string_view words) {
  std::string why;
  for (const std::string& line : lines) why += (why.empty() ? " (" : "; ") + line;
  if (!why.empty()) why += ")";
  tell_once("a page could not be saved in " + files::to_utf8(folder_) + why +
            "; the cycle waits and tries again at every tick");
  held_ = true;
  set_mark(" ⚠ " + std::string(words));
}

void PageCycle::tell_once(const std::string& line) {
  if (std::find(told_.begin(), told_.end(), line) != told_.end()) return;
  told_.push_back(line);
  report_error(line);
}

void PageCycle::set_mark(std::string_view mark) {
  mark_ = mark;
  host_.show_status(status());
}

}  // namespace pr
