#include "app/main_window.hpp"

#include "app/designs.hpp"
#include "app/program.hpp"
#include "platform/errors.hpp"
#include "platform/files.hpp"
#include "preview/preview.hpp"
#include "selection/overlay.hpp"
#include "store/capture_folder.hpp"
#include "store/module1.hpp"

namespace pr {

namespace {
constexpr int kEsc = 27;
constexpr int kEnter = 13;
}  // namespace

Form1::Form1(Program& program)
    : Form(program.platform(), design::form1()),
      Command1{"截图"},
      Check1{"窗口前置", 0},
      Picture1(design::kEmptyPicture, design::kEmptyPicture, program.platform().twips_per_pixel()),
      Text1{"80"},
      Check2{"间隔截图", 1},
      Text2{"3"},
      program_(program) {}

void Form1::Form_Load() {
  program_.IntervalMode = true;
  float width = Width();
  float height = Height();
  Move(0, 0, width, height);
  platform_.set_topmost(hWnd(), true);
}

void Form1::Check1_Click() {
  if (Check1.Value == 1) platform_.set_topmost(hWnd(), true);
  if (Check1.Value == 0) platform_.set_topmost(hWnd(), false);
}

void Form1::Check2_Click() {
  program_.IntervalMode = Check2.Value == 1;
}

void Form1::Command1_Click() {
  // A running cycle stops first, as with Esc: it must neither page the
  // document under the overlay nor save into the folder emptied here.
  if (program_.form2_loaded() && program_.form2().cycling()) Form_KeyPress(kEsc);
  ResumeNext step;
  step([&] { File1.set_left_over(empty_capture_folder(platform_, program_.capture_folder())); });
  step([&] { program_.form2().Hide(); });
  step([&] { program_.form2().navigate_word_if_unused(); });
  step([&] { program_.form3().Hide(); });
  step([&] { program_.form2().Move(0, 0, program_.screen_width(), program_.screen_height()); });
  step([&] { program_.form2().set_AutoRedraw(true); });
  step([&] { Hide(); });
  step([&] { program_.form2().copy_screen(); });
  step([&] { program_.form2().set_AutoRedraw(false); });
  step([&] { program_.form2().Show(); });
  step([&] { program_.set_mouse_pointer(MousePointer::Cross); });
  step([&] { platform_.set_topmost(program_.form2().hWnd(), true); });
}

void Form1::Form_KeyPress(int key_ascii) {
  if (key_ascii == kEsc) {
    stop_cycle();
    program_.form2().end_run(RunEnd::Escape);
  } else if (key_ascii == kEnter) {
    program_.form2().Timer1.set_Enabled(true);
    program_.set_mouse_pointer(MousePointer::Arrow);
  }
}

void Form1::keep_out_of(float left, float top, float width, float height) {
  if (!moved_out_) {
    home_left_ = Left();
    home_top_ = Top();
  }
  moved_out_ = true;
  const float right = program_.screen_width() - Width();
  const float bottom = program_.screen_height() - Height();
  const float corners[4][2] = {{0, 0}, {right, 0}, {0, bottom}, {right, bottom}};
  for (const auto& corner : corners) {
    const bool apart = corner[0] + Width() <= left || corner[0] >= left + width ||
                       corner[1] + Height() <= top || corner[1] >= top + height;
    if (apart) {
      Move(corner[0], corner[1], Width(), Height());
      return;
    }
  }
  Hide();
}

void Form1::come_back() {
  if (!moved_out_) return;
  moved_out_ = false;
  Move(home_left_, home_top_, Width(), Height());
}

void Form1::stop_cycle() {
  come_back();
  Show();
  program_.form2().Timer1.set_Interval(0);
  program_.form2().Timer1.set_Enabled(false);
  program_.set_mouse_pointer(MousePointer::Arrow);
}

void Form1::key_press(int char_code) {
  if (char_code == kEsc || char_code == kEnter) Form_KeyPress(char_code);
}

void Form1::Form_Unload() {
  program_.unload_form2();
  program_.unload_form3();
}

}  // namespace pr
