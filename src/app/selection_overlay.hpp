#pragma once

#include <cstdint>
#include <vector>

#include "app/app_window.hpp"
#include "app/controls.hpp"
#include "app/overlay_cycle.hpp"
#include "platform/keys.hpp"

namespace pr {

class Program;

// The selection overlay: the frozen screen over the whole screen, with the
// rubber band the user drags; its timer drives the page capture cycle.
class SelectionOverlay : public AppWindow {
 public:
  explicit SelectionOverlay(Program& program);

  Timer tick_timer;
  Outline outline;

  // Phase of the capture cycle that the next tick runs, 0..4.
  std::int32_t phase = 0;
  // The press point and the release point, twips from the screen's corner.
  float start_x = 0;
  float start_y = 0;
  float end_x = 0;
  std::int32_t end_y = 0;
  // What each page turn sends: the page key of the options as it stood at the commit.
  std::vector<KeyChord> page_keys{chord_of(kDefaultPageKey)};

  void on_load();
  void on_mouse_down(int button, int shift, float x, float y);
  void on_mouse_move(int button, int shift, float x, float y);
  void on_mouse_up(int button, int shift, float x, float y);
  // Esc cancels the selection; every other key is swallowed.
  void on_key(int key_ascii);
  void on_tick();

  // Ends the selection without a capture: the overlay goes, the main window
  // comes back, nothing is saved and no cycle runs.
  void cancel_selection();
  // Sends the document back to its start again when the run that did it
  // last was cancelled before any commit.
  void navigate_word_if_unused();
  // Whether the page cycle is ticking.
  bool cycling() const { return tick_timer.enabled() && tick_timer.interval() > 0; }
  // A capture run: begun at a commit, its pages saved one by one (a page
  // unchanged from the last saved one never is), ended once.
  void begin_run();
  // Saves the capture picture as the run's next page; false when no file was
  // written.
  bool save_page();
  // The caption shows the count and how the run ended; one line goes to the
  // program's run report.
  void end_run(RunEnd how);
  // Milliseconds this tick spent in settle pauses: waiting, not work.
  double paused_ms() const { return paused_ms_; }

  // The committed rectangle: top-left at the smaller corner, twips.
  float region_left() const;
  float region_top() const;
  float region_width() const;
  float region_height() const;

 private:
  void navigate_word();
  // "自动": one tick of the fixed grid that follows the page.
  void auto_tick();
  void turn_page();
  // The committed rectangle of the screen as it is now, not frozen.
  ImageView grab_region();
  // Copies the committed rectangle into picture(); throws when the screen no
  // longer holds all of it.
  void copy_region();
  // The last grab into the capture picture.
  void crop_to_picture();
  void grab_again();
  // Saves the capture picture when it shows a new page, once it has settled.
  bool take_new_page();
  // One more page turn that changed nothing; true when that ends the run.
  bool count_unchanged_turn();
  // A failed save: the cycle holds, the caption says why in `words`, and
  // stderr gets the reported `lines` once for each distinct failure.
  void hold(const std::vector<std::string>& lines, std::string_view words);
  // While the cycle runs, Esc is asked for again as long as another program
  // holds it, and the caption says that Esc does not work meanwhile.
  void keep_escape(bool cycling);
  // One line on stderr, unless this run has said it already.
  void tell_once(const std::string& line);
  // The tick's work; on_tick holds the cycle when its screen copy fails.
  void cycle_tick();
  void show_count(std::string_view mark);

  Program& program_;
  bool escape_missing_ = false;
  bool committed_ = false;          // a selection was committed in this program run
  bool navigation_unused_ = false;  // the document was sent to its start for nothing
  PageRun run_;
  double paused_ms_ = 0;
};

}  // namespace pr
