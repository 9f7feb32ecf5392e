#pragma once

#include "app/app_window.hpp"
#include "app/controls.hpp"
#include "app/run_host.hpp"
#include "core/page_cycle.hpp"

namespace pr {

class Program;

// The selection overlay: the frozen screen over the whole screen, with the
// rubber band the user drags; its timer drives the page capture cycle.
class SelectionOverlay : public AppWindow {
 public:
  explicit SelectionOverlay(Program& program);

  Timer tick_timer;
  // Ends the moment after a run stopped by itself in which Esc is still ours.
  Timer escape_grace_timer;
  Outline outline;

  // The press point and the release point, pixels from the screen's corner.
  int start_x = 0;
  int start_y = 0;
  int end_x = 0;
  int end_y = 0;

  void on_load();
  void on_mouse_down(int button, int shift, int x, int y);
  void on_mouse_move(int button, int shift, int x, int y);
  void on_mouse_up(int button, int shift, int x, int y);
  // Esc cancels the selection; every other key is swallowed.
  void on_key(int key_ascii);
  void on_tick();
  void on_escape_grace_over();

  // Ends the selection without a capture: the overlay goes, the main window
  // comes back, nothing is saved and no cycle runs.
  void cancel_selection();
  // Sends the document back to its start again when the run that did it
  // last was cancelled before any commit.
  void navigate_word_if_unused();
  // Whether the page cycle is ticking.
  bool cycling() const { return tick_timer.enabled() && tick_timer.interval() > 0; }
  // The run the timer drives.
  PageCycle& cycle() { return cycle_; }
  const PageCycle& cycle() const { return cycle_; }

  // The committed rectangle: top-left at the smaller corner.
  PixelRect region() const;

 private:
  void navigate_word();
  // While the cycle runs, Esc is asked for again as long as another program
  // holds it, and the status says that Esc does not work meanwhile.
  void keep_escape(bool cycling);
  // A run that stopped by itself keeps Esc for kEscapeGraceMs; true when it
  // does.
  bool keep_escape_briefly();

  Program& program_;
  bool committed_ = false;          // a selection was committed in this program run
  bool navigation_unused_ = false;  // the document was sent to its start for nothing
  ProgramRunHost run_host_;
  PageCycle cycle_;
};

}  // namespace pr
