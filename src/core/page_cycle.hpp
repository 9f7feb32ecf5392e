#pragma once

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
#include "platform/platform.hpp"
#include "platform/units.hpp"

namespace pr {

// How a run ended.
enum class RunEnd {
  Escape,          // Esc, from anywhere
  StopButton,      // the main window's button, "停止" while a run goes on
  ProgramClosed,   // the close box, "退出", a signal
  DocumentEnd,     // two page turns in a row that changed nothing
  NoPageTurn,      // ... and not one turn ever changed the document
  DocumentClosed,  // the document's window went away
  SingleCapture,   // one picture, no page after page
};

// What a run reaches the world through. The program gives it its screen, its
// keys, the other programs' windows, its folder and the window that shows
// the run's status.
class RunHost {
 public:
  virtual ~RunHost() = default;
  // The rectangle of the screen as it is now, none of our windows in it; the
  // view stays valid until the next grab. Throws when the screen cannot be
  // read.
  virtual ImageView grab(const PixelRect& region) = 0;
  // Queues keystrokes for the window that has the keyboard focus.
  virtual void send_keys(const std::vector<KeyChord>& keys) = 0;
  // What the platform tells of other programs' windows (see Platform).
  virtual ForeignWindow focused_window() = 0;
  virtual bool window_exists(ForeignWindow w) = 0;
  virtual PixelRect window_area(ForeignWindow w) = 0;
  virtual bool keyboard_held_by_us() = 0;
  virtual ScreenChanges take_screen_changes() = 0;
  // Saves `page` as the run's next numbered picture, or (`again`) over the
  // one saved last, at the JPEG quality the menu shows now (a change during a
  // run applies to its next page). A failure comes back with its cause, or
  // is thrown.
  virtual WriteResult save(ImageView page, bool again) = 0;
  // The run's status has changed: `status` is short ("3", "5 ✓"), `sentence`
  // says the same in full.
  virtual void show_status(std::string_view status, std::string_view sentence) = 0;
  // The run has stopped by itself (and ended: ended_by() says how): no more
  // ticks, the program's windows as they were before the run.
  virtual void stop_ticking() = 0;
  // The run has ended: the PDF of its pictures, when the user asks for one.
  virtual PdfOutcome pdf_at_end() = 0;
  // The one line that sums up the run.
  virtual void report(std::string_view line) = 0;
};

// A capture run. At its commit it remembers the document's window (the one
// with the keyboard focus) and saves the rectangle; then, tick after tick, it
// turns a page with the page key while that window has the focus, and saves
// the rectangle once for every turn that changed the window, even when the
// page looks like the last one. Two turns in a row that changed nothing are
// the document's end. The program's timer calls on_tick every tick_ms().
class PageCycle {
 public:
  PageCycle(RunHost& host, std::filesystem::path folder);

  // A commit: the run takes `options` as they stand now (all but the JPEG
  // quality, which each save reads anew), saves `first_page` (the rectangle
  // of the frozen screen) and, page after page, turns and reads `region`.
  // Without page after page that one capture is the run.
  void start(const PixelRect& region, const Options& options, ImageView first_page);
  void on_tick();
  // Ends the run once: the status shows how, and the run's line is reported.
  void end(RunEnd how);

  bool active() const { return active_; }
  // How the last run ended.
  RunEnd ended_by() const { return ended_by_; }
  // How often the run wants its tick.
  std::int32_t tick_ms() const;
  // The phase the next tick runs, kPageTurnPhase..kLastPhase.
  std::int32_t phase() const { return phase_; }
  int pages() const { return pages_; }
  // The count and a mark: "3", "5 ✓", "2 ⚠ 磁盘已满".
  std::string status() const { return std::to_string(pages_) + mark_; }

 private:
  // One page turn: from its key to its page saved, or to its end unchanged.
  struct Turn {
    bool open = false;       // a page key went out and the turn is not over
    bool keyed = true;       // false: a run resumed mid-turn, its key sent before
    bool changed = false;    // the document's window changed since the key
    bool saved = false;      // the turn's page is saved
    bool repainted = false;  // the rectangle was drawn again after the save
    int ticks = 0;           // ticks since the key
    int quiet_ticks = 0;     // ticks in a row in which the window did not change
  };

  void tick();
  void paced_tick();
  void auto_tick();
  // Whether a page key may go out now: the document's window has the
  // keyboard. Holds the run when not; ends it when the window has gone.
  bool may_turn();
  void turn_page();
  // Reads the change reports into the turn.
  void observe();
  // Whether `changes` drew on the document's window (a caret's blink aside).
  bool window_changed(const ScreenChanges& changes) const;
  bool changes_window(const PixelRect& area) const;
  // Without change reports the pixels tell what a turn changed: the
  // document's window's, and the rectangle's.
  void compare_instead();
  // The rectangle now; the view lasts until the next read.
  ImageView read();
  // Saves `page` as the next picture, or (`again`) over the last one; a new
  // page whose save failed is kept in `page_` and holds the run.
  bool save_page(ImageView page, bool again = false);
  // The end of a turn; true when it was the run's end.
  bool close_turn();
  void hold_save(const std::vector<std::string>& lines, std::string_view words);
  void tell_once(const std::string& line);
  void set_mark(std::string_view mark, std::string_view sentence = {});

  RunHost& host_;
  std::filesystem::path folder_;
  PixelRect region_;
  Options options_;
  std::vector<KeyChord> page_keys_;
  ForeignWindow document_ = kNoForeignWindow;
  PixelRect document_area_;  // where the document's window lay at this tick
  std::int32_t phase_;
  Turn turn_;
  Image page_;        // a page whose save failed, kept for the next tries
  Image last_saved_;  // without change reports: the page saved last
  // Without change reports: the document's window as it was before the key.
  Image window_before_;
  int pages_ = 0;
  int unchanged_turns_ = 0;
  // The turn that closed last changed nothing; drawing seen by the next tick
  // is its page, drawn later than a page's time.
  bool closed_unchanged_ = false;
  bool any_turn_changed_ = false;
  bool changes_known_ = true;
  // A page is in `page_` and its save failed: no page turns until a later
  // tick has saved it.
  bool held_ = false;
  bool waiting_for_focus_ = false;
  bool active_ = false;
  RunEnd ended_by_ = RunEnd::SingleCapture;
  bool reading_ = false;  // a screen read is under way
  bool read_failed_ = false;
  std::string mark_;
  std::vector<std::string> told_;  // stderr lines said in this run, each once
};

}  // namespace pr
