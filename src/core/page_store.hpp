#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/numbered_pictures.hpp"
#include "core/pdf_writer.hpp"
#include "platform/files.hpp"
#include "platform/image.hpp"
#include "platform/jpeg_writer.hpp"
#include "platform/platform.hpp"

namespace pr {

// A screen's dots per inch are this over its twips per pixel.
inline constexpr float kTwipsPerInch = 1440;

// The capture folder as a run sees it: emptied at the start, then its pages
// numbered 0.jpg, 1.jpg, ... and, if asked, the PDF of them.
class PageStore {
 public:
  // "截图" in the platform's base folder; pictures at the screen's resolution.
  PageStore(Platform& platform, JpegWriter& writer);

  const std::filesystem::path& folder() const { return folder_; }

  // Empties the folder for a new run through the desktop's trash
  // (empty_capture_folder); what stays is left out of the numbering.
  void empty();

  // Saves `picture` as the next numbered JPEG, creating the folder when
  // missing. Folder errors are thrown, each with its cause.
  WriteResult save_next(ImageView picture, int quality);
  // Writes `picture` over the picture save_next wrote last, as safely: the
  // old file stays whole until the new one replaces it.
  WriteResult save_again(ImageView picture, int quality);

  // Whether the picture saved last can be read back from its file.
  bool reads_back() const { return writer_.reads_back(); }
  // Reads the picture save_next or save_again wrote last into `into`; false
  // when there is none or it cannot be read.
  bool read_last(Image& into) const;

  // The files the last emptying could not remove, by name.
  const std::vector<std::string>& left_over() const { return left_over_; }

  // Whether the folder holds numbered pictures of this run to make a PDF of.
  bool has_pictures() const;
  // Writes the PDF of the numbered pictures (run_pdf.hpp).
  PdfOutcome save_pdf() const;

 private:
  // The folder's numbered pictures less those the emptying left behind.
  std::vector<NumberedPicture> run_pictures() const;
  // Remembers the folder's stamp after a save of ours, or forgets it.
  void note_folder_stamp(bool saved);

  Platform& platform_;
  JpegWriter& writer_;
  std::filesystem::path folder_;
  float dpi_;
  long last_number_ = -1;
  // The folder's stamp just after our last save: while it stands, nothing
  // else changed the folder, and the next number follows that save's.
  std::optional<files::FolderStamp> folder_stamp_;
  // What the emptying could not remove: not the run's pictures.
  std::vector<std::string> left_over_;
};

// The number the next picture in `folder` takes: its visible files are counted,
// less those in `left_over` and the run's PDF; a number taken (a file removed
// from the middle) moves on to the next free one. Throws when `folder` is not
// a folder.
long next_number(const std::filesystem::path& folder, const std::vector<std::string>& left_over);

// Writes `picture` as a JPEG at `path`, stating the screen's `dpi`. A quality
// outside 0..255 throws an overflow error before anything is written.
WriteResult save_jpeg(JpegWriter& writer, ImageView picture, const std::filesystem::path& path,
                      int quality, float dpi);

}  // namespace pr
