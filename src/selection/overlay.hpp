#pragma once

#include <cstdint>
#include <vector>

#include "app/form.hpp"
#include "platform/controls.hpp"
#include "platform/keys.hpp"

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
  // The keys each page turn sends: `Form1::PageKey`, parsed once at the commit.
  std::vector<KeyChord> PageKeys = parse_keys("{PgDn}");

  void Form_Load();
  void Form_MouseDown(int button, int shift, float x, float y);
  void Form_MouseMove(int button, int shift, float x, float y);
  void Form_MouseUp(int button, int shift, float x, float y);
  void Timer1_Timer();

  // The committed rectangle: top-left at the smaller corner, twips.
  float region_left() const;
  float region_top() const;
  float region_width() const;
  float region_height() const;

 private:
  void navigate_word();

  Program& program_;
};

}  // namespace pr
