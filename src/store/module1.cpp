#include "store/module1.hpp"

#include <string>

#include "app/designs.hpp"
#include "app/main_window.hpp"
#include "app/program.hpp"
#include "platform/files.hpp"
#include "platform/numbers.hpp"
#include "preview/preview.hpp"

namespace pr::Module1 {

namespace {

std::filesystem::path numbered(const std::filesystem::path& folder, long n) {
  return folder / (std::to_string(n) + ".jpg");
}

}  // namespace

bool CanSave(Program& program) {
  float width = program.form1().Picture1.Width();
  float height = program.form1().Picture1.Height();
  return width > design::kEmptyPicture && height > design::kEmptyPicture;
}

bool SaveCapture(Program& program) {
  Form1& form1 = program.form1();
  if (!CanSave(program)) return false;
  const std::filesystem::path folder = program.capture_folder();
  if (!files::exists(folder)) files::create_folder(folder);
  form1.File1.set_Path(folder);
  form1.File1.Refresh();
  long n = form1.File1.ListCount();
  // The run's own PDF is no picture: it never shifts the numbering.
  std::error_code ignored;
  if (std::filesystem::is_regular_file(folder / files::from_utf8(kPdfName), ignored)) --n;
  // The count of files is the next number, unless that name is taken (a file
  // was removed from the middle): then the next free number above it.
  while (files::exists(numbered(folder, n))) ++n;
  std::int16_t quality = to_int16(leading_number(form1.Text1.Text));
  float dpi = kTwipsPerInch / program.platform().twips_per_pixel();
  bool written =
      SaveJpeg(program.jpeg_writer(), form1.Picture1.Image(), numbered(folder, n), quality, dpi);
  program.form3().set_AutoRedraw(false);
  return written;
}

bool SaveJpeg(JpegWriter& writer, ImageView picture, const std::filesystem::path& fileName,
              std::int16_t quality, float dpi) {
  std::uint8_t byte = to_byte(quality);
  return writer.write(picture, fileName, byte, dpi);
}

}  // namespace pr::Module1
