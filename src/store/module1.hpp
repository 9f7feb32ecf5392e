#pragma once

#include <cstdint>
#include <filesystem>

#include "platform/image.hpp"
#include "platform/jpeg_writer.hpp"

namespace pr {

class Program;

namespace Module1 {

// Whether the capture picture is larger than the empty picture box, the
// only size that SaveCapture saves.
bool CanSave(Program& program);

// Saves the capture picture as the next numbered JPEG in the capture folder,
// creating the folder when missing. A picture box at its empty size saves
// nothing. Errors go to the caller. Returns whether a file was written.
bool SaveCapture(Program& program);

// Writes `picture` as a JPEG at `fileName`. A quality outside 0..255 throws an
// overflow error before anything is written. Returns whether it was written.
bool SaveJpeg(JpegWriter& writer, ImageView picture, const std::filesystem::path& fileName,
              std::int16_t quality);

}  // namespace Module1
}  // namespace pr
