// Makes PDFs for the checks that read them with real PDF tools.
//   pdf_probe run <parent> <pages>  a capture run of <pages> pages on the
//       headless backend into <parent>/截图, ended by Esc with the option on
//   pdf_probe write <folder> <out>  the PDF of <folder>'s numbered pictures,
//       with a fixed creation date, so that two builds can be compared
#include <cstdlib>
#include <iostream>
#include <string>

#include "app/main_window.hpp"
#include "app/program.hpp"
#include "core/numbered_pictures.hpp"
#include "core/pdf_writer.hpp"
#include "core/system_jpeg_writer.hpp"
#include "harness.hpp"
#include "platform/files.hpp"
#include "platform/headless/headless_platform.hpp"

namespace {

int run(const std::filesystem::path& parent, int pages) {
  std::filesystem::create_directories(parent);
  pr::HeadlessPlatform hp(1920, 1080, parent);
  std::unique_ptr<pr::JpegWriter> writer = pr::make_system_jpeg_writer();
  pr::Program program(hp, *writer);
  program.main_window().options.pdf_at_end = true;
  pr::test::paint_smooth(hp.screen(), 0);
  hp.click_button(hp.id_of("MainWindow"), 1);
  pr::WindowId overlay = hp.id_of("SelectionOverlay");
  // 300 x 200 pixels.
  hp.mouse_down(overlay, 1, 100, 100);
  hp.mouse_move(overlay, 1, 400, 300);
  hp.mouse_up(overlay, 1, 400, 300);
  // Each page key shows the next page.
  int shown = 0;
  hp.on_keys = [&](const std::vector<pr::KeyChord>&) {
    if (shown + 1 < pages) pr::test::paint_smooth(hp.screen(), ++shown);
  };
  hp.advance(1500 * (pages - 1));  // a page turn and a capture for each
  hp.press_escape_anywhere();
  return pr::files::exists(parent / pr::files::from_utf8("截图/截图.pdf")) ? 0 : 1;
}

int write(const std::filesystem::path& folder, const std::filesystem::path& out) {
  std::vector<std::filesystem::path> pictures;
  for (const pr::NumberedPicture& p : pr::numbered_pictures(folder)) pictures.push_back(p.path);
  pr::PdfDocument document;
  document.title = "截图";
  document.created = 1796729460;
  pr::PdfOutcome outcome = pr::write_pdf(pictures, out, document);
  for (const std::string& note : outcome.notes) std::cerr << note << "\n";
  if (!outcome.written) std::cerr << outcome.error << "\n";
  return outcome.written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc == 4 ? argv[1] : "";
  if (mode == "run") return run(argv[2], std::atoi(argv[3]));
  if (mode == "write") return write(argv[2], argv[3]);
  std::cerr << "usage: pdf_probe run <parent> <pages> | write <folder> <out>\n";
  return 2;
}
