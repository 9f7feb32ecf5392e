#include "core/page_store.hpp"

#include <string>
#include <system_error>

#include "core/capture_folder.hpp"
#include "core/constants.hpp"
#include "core/numbered_pictures.hpp"
#include "platform/files.hpp"
#include "platform/numbers.hpp"

namespace pr {

namespace {

std::filesystem::path numbered(const std::filesystem::path& folder, long n) {
  return folder / (std::to_string(n) + ".jpg");
}

// `n`, or the first number after it whose picture is not there yet.
long first_free_number(const std::filesystem::path& folder, long n) {
  while (files::exists(numbered(folder, n))) ++n;
  return n;
}

}  // namespace

PageStore::PageStore(Platform& platform, JpegWriter& writer)
    : platform_(platform),
      writer_(writer),
      folder_(platform.base_folder() / files::from_utf8(kCaptureFolderName)),
      dpi_(kTwipsPerInch / platform.twips_per_pixel()) {}

void PageStore::empty() {
  last_number_ = -1;
  folder_stamp_.reset();
  left_over_ = empty_capture_folder(platform_, folder_);
}

WriteResult PageStore::save_next(ImageView picture, int quality) {
  // Counting the folder at every page would cost a long run more and more;
  // it is counted again only when something else has changed it.
  const std::optional<files::FolderStamp> stamp = files::folder_stamp(folder_);
  long n = 0;
  if (stamp && stamp == folder_stamp_ && last_number_ >= 0) {
    n = first_free_number(folder_, last_number_ + 1);
  } else {
    if (!files::exists(folder_)) files::create_folder(folder_);
    n = next_number(folder_, left_over_);
  }
  WriteResult written = save_jpeg(writer_, picture, numbered(folder_, n), quality, dpi_);
  if (written) last_number_ = n;
  note_folder_stamp(written.written);
  return written;
}

WriteResult PageStore::save_again(ImageView picture, int quality) {
  if (last_number_ < 0) return save_next(picture, quality);
  WriteResult written = save_jpeg(writer_, picture, numbered(folder_, last_number_), quality, dpi_);
  note_folder_stamp(written.written);
  return written;
}

void PageStore::note_folder_stamp(bool saved) {
  folder_stamp_.reset();
  if (saved) folder_stamp_ = files::folder_stamp(folder_);
}

bool PageStore::read_last(Image& into) const {
  return last_number_ >= 0 && writer_.read(numbered(folder_, last_number_), into);
}

long next_number(const std::filesystem::path& folder, const std::vector<std::string>& left_over) {
  long n = files::count_visible_files(folder);
  // Neither what the emptying left behind nor the run's own PDF is a picture.
  std::vector<std::string> not_pictures = left_over;
  not_pictures.push_back(kPdfName);
  for (const std::string& name : not_pictures) {
    std::error_code ignored;
    if (std::filesystem::is_regular_file(folder / files::from_utf8(name), ignored)) --n;
  }
  return first_free_number(folder, n);
}

bool PageStore::has_pictures() const {
  return !run_pictures().empty();
}

WriteResult save_jpeg(JpegWriter& writer, ImageView picture, const std::filesystem::path& path,
                      int quality, float dpi) {
  return writer.write(picture, path, to_byte(quality), dpi);
}

}  // namespace pr
