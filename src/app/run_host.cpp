#include "app/run_host.hpp"

#include <string>

#include "app/designs.hpp"
#include "app/main_window.hpp"
#include "app/preview_window.hpp"
#include "app/program.hpp"

namespace pr {

ImageView ProgramRunHost::grab(const PixelRect& region) {
  // The preview stays up beside the rectangle, never in it.
  if (program_.preview_loaded()) {
    PreviewWindow& preview = program_.preview();
    const PixelRect area{preview.left(), preview.top(), preview.width(), preview.height()};
    if (preview.visible() && overlaps(area, region)) preview.hide();
  }
  return program_.platform().copy_screen_region(region.left, region.top, region.width,
                                                region.height);
}

void ProgramRunHost::send_keys(const std::vector<KeyChord>& keys) {
  program_.platform().send_keys(keys);
}

ForeignWindow ProgramRunHost::focused_window() {
  return program_.platform().focused_window();
}

bool ProgramRunHost::window_exists(ForeignWindow w) {
  return program_.platform().window_exists(w);
}

PixelRect ProgramRunHost::window_area(ForeignWindow w) {
  return program_.platform().window_area(w);
}

bool ProgramRunHost::keyboard_held_by_us() {
  return program_.platform().keyboard_held_by_us();
}

ScreenChanges ProgramRunHost::take_screen_changes() {
  return program_.platform().take_screen_changes();
}

WriteResult ProgramRunHost::save(ImageView page, bool again) {
  MainWindow& main_window = program_.main_window();
  PageStore& store = program_.store();
  const int quality = main_window.options.jpeg_quality;
  const WriteResult written =
      again ? store.save_again(page, quality) : store.save_next(page, quality);
  // The preview shows the page saved last, while it is up.
  main_window.keep_page(page, written.written);
  return written;
}

void ProgramRunHost::show_status(std::string_view status, std::string_view sentence) {
  status_ = status;
  sentence_ = sentence;
  show_status_again();
}

void ProgramRunHost::show_status_again() {
  std::string notes = escape_missing ? " · Esc 无效" : "";
  std::string sentence = sentence_ + notes;
  // Files the emptying had to leave are named while the run they stay
  // beside goes on; they are no pictures of it.
  const std::vector<std::string>& left = program_.store().left_over();
  if (!left.empty()) {
    notes += " · 旧文件未清除";
    sentence += "\n截图文件夹里未能清除的旧文件 (不算在这次的图片里):";
    for (const std::string& name : left) sentence += " " + name;
  }
  program_.main_window().show_status(status_ + notes, sentence);
}

void ProgramRunHost::stop_ticking() {
  program_.main_window().stop_cycle();
}

PdfOutcome ProgramRunHost::pdf_at_end() {
  return program_.pdf_at_run_end();
}

void ProgramRunHost::report(std::string_view line) {
  if (program_.run_report) program_.run_report(line);
}

}  // namespace pr
