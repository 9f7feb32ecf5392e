#include "store/page_store.hpp"

#include <string>

#include "app/designs.hpp"
#include "app/main_window.hpp"
#include "app/program.hpp"
#include "platform/files.hpp"
#include "platform/numbers.hpp"
#include "preview/preview_window.hpp"

namespace pr::page_store {

namespace {

std::filesystem::path numbered(const std::filesystem::path& folder, long n) {
  return folder / (std::to_string(n) + ".jpg");
}

}  // namespace

bool can_save(Program& program) {
  float width = program.main_window().last_picture.width();
  float height = program.main_window().last_picture.height();
  return width > design::kEmptyPicture && height > design::kEmptyPicture;
}

bool save_capture(Program& program) {
  MainWindow& main_window = program.main_window();
  if (!can_save(program)) return false;
  const std::filesystem::path folder = program.capture_folder();
  if (!files::exists(folder)) files::create_folder(folder);
  main_window.folder_list.set_path(folder);
  main_window.folder_list.refresh();
  long n = main_window.folder_list.count();
  // The run's own PDF is no picture: it never shifts the numbering.
  std::error_code ignored;
  if (std::filesystem::is_regular_file(folder / files::from_utf8(kPdfName), ignored)) --n;
  // The count of files is the next number, unless that name is taken (a file
  // was removed from the middle): then the next free number above it.
  while (files::exists(numbered(folder, n))) ++n;
  const int quality = main_window.options.jpeg_quality;
  float dpi = kTwipsPerInch / program.platform().twips_per_pixel();
  bool written = save_jpeg(program.jpeg_writer(), main_window.last_picture.picture(),
                           numbered(folder, n), quality, dpi);
  program.preview().set_auto_redraw(false);
  return written;
}

bool save_jpeg(JpegWriter& writer, ImageView picture, const std::filesystem::path& fileName,
               int quality, float dpi) {
  std::uint8_t byte = to_byte(quality);
  return writer.write(picture, fileName, byte, dpi);
}

}  // namespace pr::page_store
