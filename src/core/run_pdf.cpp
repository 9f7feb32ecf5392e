// The PDF of a run: every numbered picture of the folder, one page each, in
// numeric order; every picture left out, every gap in the numbers and a
// failure are reported as one line each, and nothing is thrown.
#include <algorithm>
#include <chrono>

#include "core/constants.hpp"
#include "core/numbered_pictures.hpp"
#include "core/page_store.hpp"
#include "platform/files.hpp"
#include "platform/report.hpp"

namespace pr {

namespace {

std::string picture_name(long number) {
  return std::to_string(number) + ".jpg";
}

// One note for each run of missing numbers before and between the pictures.
std::vector<std::string> gaps(const std::vector<NumberedPicture>& pictures) {
  std::vector<std::string> notes;
  long expected = 0;
  for (const NumberedPicture& picture : pictures) {
    if (picture.number > expected) {
      std::string missing = picture_name(expected);
      if (picture.number - 1 > expected) missing += " to " + picture_name(picture.number - 1);
      notes.push_back(missing + " missing");
    }
    expected = picture.number + 1;
  }
  return notes;
}

}  // namespace

std::vector<NumberedPicture> PageStore::run_pictures() const {
  // What the emptying had to leave is no picture of this run.
  std::vector<NumberedPicture> numbered = numbered_pictures(folder_);
  std::erase_if(numbered, [&](const NumberedPicture& picture) {
    return std::find(left_over_.begin(), left_over_.end(),
                     files::to_utf8(picture.path.filename())) != left_over_.end();
  });
  return numbered;
}

PdfOutcome PageStore::save_pdf() const {
  const std::filesystem::path target = folder_ / files::from_utf8(kPdfName);
  std::vector<NumberedPicture> numbered = run_pictures();
  std::vector<std::filesystem::path> pictures;
  for (const NumberedPicture& picture : numbered) pictures.push_back(picture.path);
  PdfDocument document;
  document.title = files::to_utf8(folder_.filename());
  document.created = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
  document.default_dpi = dpi_;
  PdfOutcome outcome = write_pdf(pictures, target, document);
  std::vector<std::string> missing = gaps(numbered);
  outcome.notes.insert(outcome.notes.begin(), missing.begin(), missing.end());
  const std::string where = files::to_utf8(target);
  for (const std::string& note : outcome.notes) report_error(where + ": " + note);
  if (!outcome.written) report_error(where + " not written: " + outcome.error);
  return outcome;
}

}  // namespace pr
