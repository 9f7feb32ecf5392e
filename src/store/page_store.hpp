#pragma once

#include <cstdint>
#include <filesystem>

#include "core/constants.hpp"
#include "platform/image.hpp"
#include "platform/jpeg_writer.hpp"
#include "store/pdf_writer.hpp"

namespace pr {

class Program;

namespace page_store {

// Whether the capture picture is larger than the empty picture box, the
// only size that save_capture saves.
bool can_save(Program& program);

// Saves the capture picture as the next numbered JPEG in the capture folder,
// creating the folder when missing. A picture box at its empty size saves
// nothing. Errors go to the caller. Returns whether a file was written.
bool save_capture(Program& program);

// Writes `picture` as a JPEG at `fileName`, stating the screen's `dpi`. A
// quality outside 0..255 throws an overflow error before anything is written.
// Returns whether it was written.
bool save_jpeg(JpegWriter& writer, ImageView picture, const std::filesystem::path& fileName,
               int quality, float dpi);

// A screen's dots per inch are this over its twips per pixel.
inline constexpr float kTwipsPerInch = 1440;

// Whether the capture folder holds numbered pictures to make a PDF of.
bool has_pictures(Program& program);

// Writes the PDF of the numbered pictures in the capture folder, one page each
// in numeric order. Every picture left out, every gap in the numbers and a
// failure are reported as one line each; nothing is thrown.
PdfOutcome save_pdf(Program& program);

// A run has stopped: writes the PDF when `MainWindow` asks for it at the end of a
// run and there are pictures. Says whether it was written.
PdfOutcome pdf_at_run_end(Program& program);

}  // namespace page_store
}  // namespace pr
