#pragma once

#include <cstdint>

#include "app/form.hpp"
#include "platform/controls.hpp"

namespace pr {

class Program;

// The selection overlay: the frozen screen over the whole screen, with the
// rubber band the user drags; its timer drives the page capture cycle.
class Form2 : public Form {
 public:
  explicit Form2(Program& program);

  Timer Timer1;
  Shape Shape1;

  // Phase of the capture cycle that the next tick runs, 0..4.
  std::int32_t CyclePhase = 0;
  // The press point and the release point, twips from the screen's corner.
  float StartX = 0;
  float StartY = 0;
  float EndX = 0;
  std::int32_t EndY = 0;

  void Form_Load();
  void Form_MouseDown(int button, int shift, float x, float y);
  void Form_MouseMove(int button, int shift, float x, float y);
  void Form_MouseUp(int button, int shift, float x, float y);
  // Esc cancels the selection; every other key is swallowed.
  void Form_KeyPress(int key_ascii);
  void Timer1_Timer();

  // Ends the selection without a capture: the overlay goes, the main window
  // comes back, nothing is saved and no cycle runs.
  void cancel_selection();
  // Sends the document back to its start again when the run that did it
  // last was cancelled before any commit.
  void navigate_word_if_unused();
  // Whether the page cycle is ticking.
  bool cycling() const { return Timer1.Enabled() && Timer1.Interval() > 0; }

  // The committed rectangle: top-left at the smaller corner, twips.
  float region_left() const;
  float region_top() const;
  float region_width() const;
  float region_height() const;

 private:
  void navigate_word();

  Program& program_;
  bool committed_ = false;          // a selection was committed in this program run
  bool navigation_unused_ = false;  // the document was sent to its start for nothing
};

}  // namespace pr
