#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/options.hpp"
#include "core/pdf_writer.hpp"
#include "platform/image.hpp"
#include "platform/jpeg_writer.hpp"
#include "platform/keys.hpp"
#include "platform/units.hpp"

namespace pr {

// How a run ended.
enum class RunEnd { Escape, DocumentEnd, SingleCapture };

// What a run reaches the world through. The program gives it its screen, its
// keys, its folder and the window that shows the run's status.
class RunHost {
 public:
  virtual ~RunHost() = default;
  // The rectangle of the screen as it is now, none of our windows in it; the
  // view stays valid until the next grab. Throws when the screen cannot be
  // read.
  virtual ImageView grab(const PixelRect& region) = 0;
  // Queues keystrokes for the window that has the keyboard focus.
  virtual void send_keys(const std::vector<KeyChord>& keys) = 0;
  // Saves `page` as the run's next numbered picture, at the JPEG quality the
  // menu shows now (a change during a run applies to its next page). A
  // failure comes back with its cause, or is thrown.
  virtual WriteResult save(ImageView page) = 0;
  // The run's status has changed to `status` (see PageCycle::status).
  virtual void show_status(std::string_view status) = 0;
  // The run has stopped by itself: no more ticks, the program's windows as
  // they were before the run.
  virtual void stop_ticking() = 0;
  // The run has ended: the PDF of its pictures, when the user asks for one.
  virtual PdfOutcome pdf_at_end() = 0;
  // The one line that sums up the run.
  virtual void report(std::string_view line) = 0;
  // Blocks for this long while a page is still being drawn.
  virtual void pause(std::int32_t ms) = 0;
};

// A capture run: from a commit, the document is paged with the page key and
// the same rectangle of the screen is saved for every new page, until Esc,
// the document's end, or a single capture. The program's timer calls on_tick
// at tick_ms().
class PageCycle {
 public:
  PageCycle(RunHost& host, std::filesystem::path folder);

  // A commit: the run takes `options` as they stand now (all but the JPEG
  // quality, which each save reads anew), saves `first_page`
  // (the rectangle of the frozen screen) and, page after page, turns and
  // reads `region`. Without page after page that one capture is the run.
  void start(const PixelRect& region, const Options& options, ImageView first_page);
  void on_tick();
  // Ends the run once: the status shows how, and the run's line is reported.
  void end(RunEnd how);

  bool active() const { return active_; }
  // How often the run wants its tick.
  std::int32_t tick_ms() const;
  // The phase the next tick runs, kPageTurnPhase..kLastPhase.
  std::int32_t phase() const { return phase_; }
  int pages() const { return pages_; }
  // The count and what happened to the run: "3", "5 ✓", "2 ⚠ 磁盘已满".
  std::string status() const { return std::to_string(pages_) + mark_; }
  // Milliseconds the last tick spent waiting for a page to settle.
  double paused_ms() const { return paused_ms_; }

 private:
  // A screen read that failed or came back short holds the run.
  void tick();
  void auto_tick();
  void turn_page();
  // The rectangle now, into `page_`.
  void grab();
  // Saves `page_` when it shows a new page, once it has settled.
  bool take_new_page();
  bool save_page();
  // One more page turn that changed nothing; true when that ends the run.
  bool count_unchanged_turn();
  void hold(const std::vector<std::string>& lines, std::string_view words);
  void tell_once(const std::string& line);
  void set_mark(std::string_view mark);

  RunHost& host_;
  std::filesystem::path folder_;
  PixelRect region_;
  Options options_;
  std::vector<KeyChord> page_keys_;
  std::int32_t phase_;
  Image page_;        // the rectangle as last read, one buffer page after page
  Image last_saved_;  // the page saved last
  int pages_ = 0;
  int unchanged_turns_ = 0;
  // The page of the current turn is saved, or no turn is owed one.
  bool turn_saved_ = true;
  // "自动": a page key has gone out and `polls_` grabs have looked for its page.
  bool page_turned_ = false;
  int polls_ = 0;
  // A new page is in `page_` and its save failed: no page turns until a
  // later tick has saved it.
  bool held_ = false;
  bool active_ = false;
  bool reading_ = false;  // a screen read is under way
  bool read_failed_ = false;
  std::string mark_;
  std::vector<std::string> told_;  // stderr lines said in this run, each once
  double paused_ms_ = 0;
};

}  // namespace pr
