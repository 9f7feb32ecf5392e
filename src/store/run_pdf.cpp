// page_store's PDF of a run.
#include <chrono>

#include "app/main_window.hpp"
#include "app/program.hpp"
#include "platform/files.hpp"
#include "platform/report.hpp"
#include "store/numbered_pictures.hpp"
#include "store/page_store.hpp"

namespace pr::page_store {

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

bool has_pictures(Program& program) {
  return !numbered_pictures(program.capture_folder()).empty();
}

PdfOutcome save_pdf(Program& program) {
  const std::filesystem::path folder = program.capture_folder();
  const std::filesystem::path target = folder / files::from_utf8(kPdfName);
  std::vector<NumberedPicture> numbered = numbered_pictures(folder);
  std::vector<std::filesystem::path> pictures;
  for (const NumberedPicture& picture : numbered) pictures.push_back(picture.path);
  PdfDocument document;
  document.title = files::to_utf8(folder.filename());
  document.created = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
  document.default_dpi = kTwipsPerInch / program.platform().twips_per_pixel();
  PdfOutcome outcome = write_pdf(pictures, target, document);
  std::vector<std::string> missing = gaps(numbered);
  outcome.notes.insert(outcome.notes.begin(), missing.begin(), missing.end());
  const std::string where = files::to_utf8(target);
  for (const std::string& note : outcome.notes) report_error(where + ": " + note);
  if (!outcome.written) report_error(where + " not written: " + outcome.error);
  return outcome;
}

PdfOutcome pdf_at_run_end(Program& program) {
  if (!program.main_window().options.pdf_at_end || !has_pictures(program)) return {};
  return save_pdf(program);
}

}  // namespace pr::page_store
