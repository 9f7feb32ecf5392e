#include "app/run_host.hpp"

#include <string>

#include "app/designs.hpp"
#include "app/main_window.hpp"
#include "app/preview_window.hpp"
#include "app/program.hpp"

namespace pr {

ImageView ProgramRunHost::grab(const PixelRect& region) {
  // The preview must stay out of the picture.
  if (program_.preview_loaded() && program_.preview().visible()) program_.preview().hide();
  return program_.platform().copy_screen_region(region.left, region.top, region.width,
                                                region.height);
}

void ProgramRunHost::send_keys(const std::vector<KeyChord>& keys) {
  program_.platform().send_keys(keys);
}

WriteResult ProgramRunHost::save(ImageView page) {
  // The preview shows the page saved last.
  program_.main_window().last_picture.copy_from(page);
  return program_.store().save_next(page, program_.main_window().options.jpeg_quality);
}

void ProgramRunHost::show_status(std::string_view status) {
  program_.main_window().set_caption(std::string(design::kTitle) + " " + std::string(status) +
                                     (escape_missing ? " · Esc 无效" : ""));
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

void ProgramRunHost::pause(std::int32_t ms) {
  program_.platform().sleep_ms(ms);
}

}  // namespace pr
