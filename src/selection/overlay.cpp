#include "selection/overlay.hpp"

#include <algorithm>
#include <cmath>

#include "app/designs.hpp"
#include "app/main_window.hpp"
#include "app/program.hpp"
#include "platform/errors.hpp"

namespace pr {

namespace {
constexpr int kLeftButton = 1;
constexpr int kEsc = 27;
}  // namespace

Form2::Form2(Program& program)
    : Form(program.platform(), design::form2()),
      Timer1(program.platform(),
             [&program](bool enabled) {
               // While the cycle runs, Esc from anywhere stops it.
               WindowId target = program.ended() ? kNoWindow : program.form1().hWnd();
               program.platform().grab_escape(target, enabled && target != kNoWindow);
               if (program.form2_loaded()) program.form2().keep_escape(enabled);
             }),
      Shape1(program.platform(), hWnd(), 2640, 480, 1215, 495),
      program_(program) {}

float Form2::region_left() const {
  return std::min(StartX, EndX);
}
float Form2::region_top() const {
  return std::min(StartY, static_cast<float>(EndY));
}
float Form2::region_width() const {
  return std::fabs(EndX - StartX);
}
float Form2::region_height() const {
  return std::fabs(static_cast<float>(EndY) - StartY);
}

void Form2::Form_Load() {
  Shape1.set_Width(0);
  Shape1.set_Height(0);
  CyclePhase = 2;
  navigate_word();
}

void Form2::Form_MouseDown(int button, int, float x, float y) {
  ResumeNext step;
  if (button == kLeftButton) {
    step([&] {
      StartX = x;
      StartY = y;
    });
    step([&] { Shape1.set_Left(x); });
    step([&] { Shape1.set_Top(y); });
  }
}

void Form2::Form_MouseMove(int button, int, float x, float y) {
  ResumeNext step;
  if (button == kLeftButton) {
    // The outline spans the press point and the pointer, whichever way the
    // user drags.
    step([&] { Shape1.set_Left(std::min(StartX, x)); });
    step([&] { Shape1.set_Top(std::min(StartY, y)); });
    step([&] { Shape1.set_Width(std::fabs(StartX - x)); });
    step([&] { Shape1.set_Height(std::fabs(StartY - y)); });
  }
}

void Form2::Form_KeyPress(int key_ascii) {
  if (key_ascii == kEsc && Visible()) cancel_selection();
}

void Form2::cancel_selection() {
  ResumeNext step;
  step([&] { Shape1.set_Width(0); });
  step([&] { Shape1.set_Height(0); });
  step([&] { Hide(); });
  step([&] { Timer1.set_Interval(0); });
  step([&] { Timer1.set_Enabled(false); });
  step([&] { program_.form1().Show(); });
  step([&] { program_.set_mouse_pointer(MousePointer::Arrow); });
  if (!committed_) navigation_unused_ = true;
}

void Form2::navigate_word_if_unused() {
  if (!navigation_unused_) return;
  navigation_unused_ = false;
  navigate_word();
}

}  // namespace pr
