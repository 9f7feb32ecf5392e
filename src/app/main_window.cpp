#include "app/main_window.hpp"

#include "app/designs.hpp"
#include "app/preview_window.hpp"
#include "app/program.hpp"
#include "app/selection_overlay.hpp"
#include "platform/errors.hpp"
#include "platform/files.hpp"

namespace pr {

MainWindow::MainWindow(Program& program)
    : AppWindow(program.platform(), design::main_window()),
      last_picture(design::empty_picture(program.platform().twips_per_pixel()),
                   design::empty_picture(program.platform().twips_per_pixel())),
      program_(program),
      empty_picture_(design::empty_picture(program.platform().twips_per_pixel())) {}

bool MainWindow::has_capture() const {
  return last_picture.width() > empty_picture_ && last_picture.height() > empty_picture_;
}

void MainWindow::on_load() {
  // The top-left corner of the primary monitor, clear of its panels.
  const PixelRect work = platform_.work_area();
  move(work.left, work.top, width(), height());
  platform_.set_topmost(id(), options.keep_on_top);
  show_stop_control(false);
}

void MainWindow::on_shown() {
  // Then down below where a maximised window has its title bar and menu bar
  // (about two of our own title bars), still in the corner. The move comes
  // once the window is up: a window manager that places new windows itself
  // and a system that keeps its own idea of the place (Wine) agree on a
  // move of a window they both already know.
  const PixelRect work = platform_.work_area();
  move(work.left, work.top + 2 * platform_.frame_size(id()).height, width(), height());
}

void MainWindow::on_keep_on_top_changed() {
  platform_.set_topmost(id(), options.keep_on_top);
}

void MainWindow::on_capture_clicked() {
  // While a run goes on the button is its stop control ("停止"): one click
  // stops it, as Esc does, and the next click starts a new capture.
  if (program_.overlay_loaded() && program_.overlay().cycling()) {
    stop_cycle();
    program_.overlay().cycle().end(RunEnd::StopButton);
    return;
  }
  SelectionOverlay& overlay = program_.overlay();
  // A folder that cannot be emptied has said why; the new run numbers past
  // what stayed. The capture picture outlives the files it was read from.
  bring_picture_up_to_date();
  carry_on_after_failure([&] { program_.store().empty(); });
  overlay.hide();
  overlay.navigate_word_if_unused();
  program_.preview().hide();
  overlay.move(0, 0, program_.screen_width(), program_.screen_height());
  overlay.set_auto_redraw(true);
  hide();
  // The overlay comes up even over a screen that could not be frozen, so the
  // user is never left without a window of ours.
  carry_on_after_failure([&] { overlay.copy_screen(); });
  overlay.set_auto_redraw(false);
  overlay.show();
  program_.set_mouse_pointer(MousePointer::Cross);
  platform_.set_topmost(overlay.id(), true);
}

void MainWindow::on_key(int key_ascii) {
  if (key_ascii == kEscapeChar) {
    stop_cycle();
    program_.overlay().cycle().end(RunEnd::Escape);
  } else if (key_ascii == kEnterChar) {
    program_.overlay().tick_timer.set_enabled(true);
    program_.set_mouse_pointer(MousePointer::Arrow);
  }
}

void MainWindow::keep_out_of(const PixelRect& region) {
  if (!moved_out_) {
    home_left_ = left();
    home_top_ = top();
  }
  moved_out_ = true;
  const PixelRect work = platform_.work_area();
  const int left = work.left, top = work.top;
  const int right = work.left + work.width - width();
  const int bottom = work.top + work.height - height();
  // Where it stands when it can, else a corner of the work area.
  const int corners[5][2] = {
      {home_left_, home_top_}, {left, top}, {right, top}, {left, bottom}, {right, bottom}};
  for (const auto& corner : corners) {
    if (!overlaps({corner[0], corner[1], width(), height()}, region)) {
      move(corner[0], corner[1], width(), height());
      return;
    }
  }
  hide();
}

void MainWindow::show_status(std::string_view status, std::string_view sentence) {
  set_caption(std::string(design::kTitle) + " " + std::string(status));
  // A mark and its reason go on a line of their own.
  std::string shown(status);
  const std::size_t mark = shown.find(" ⚠ ");
  if (mark != std::string::npos) shown.replace(mark, 5, " ⚠\n");
  platform_.set_label(id(), design::kStatusLabel, shown, sentence);
}

void MainWindow::come_back() {
  if (!moved_out_) return;
  moved_out_ = false;
  move(home_left_, home_top_, width(), height());
}

void MainWindow::show_stop_control(bool running) {
  // The tips promise Esc only where the desktop gives it to us.
  const bool esc = platform_.escape_offered();
  platform_.set_button(id(), design::kCaptureButton,
                       running ? design::kStopCaption : design::kCaptureCaption,
                       running ? (esc ? design::kStopTip : design::kStopTipWithoutEsc)
                               : (esc ? design::kCaptureTip : design::kCaptureTipWithoutEsc));
}

void MainWindow::stop_cycle() {
  show_stop_control(false);
  come_back();
  show();
  program_.overlay().tick_timer.set_interval(0);
  program_.overlay().tick_timer.set_enabled(false);
  program_.set_mouse_pointer(MousePointer::Arrow);
}

void MainWindow::key_press(int char_code) {
  if (char_code == kEscapeChar || char_code == kEnterChar) on_key(char_code);
}

void MainWindow::on_unload() {
  // A run ends as any other does: its line, and its PDF when asked for.
  if (program_.overlay_loaded() && program_.overlay().cycle().active()) {
    program_.overlay().cycle().end(RunEnd::ProgramClosed);
  }
  program_.unload_overlay();
  program_.unload_preview();
}

}  // namespace pr
