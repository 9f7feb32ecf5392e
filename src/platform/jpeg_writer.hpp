#pragma once

#include <filesystem>
#include <system_error>

#include "platform/image.hpp"

namespace pr {

// What became of one write: the file is there, or the cause of its absence
// (empty when the writer knows none).
struct WriteResult {
  bool written = false;
  std::error_code error;
  explicit operator bool() const { return written; }
};

// Writes one picture as a JPEG file. The file appears at `path` complete or not
// at all: a failed write leaves neither it nor any temporary file behind.
class JpegWriter {
 public:
  virtual ~JpegWriter() = default;
  // `quality` is 0..255; what the encoder makes of values above 100 is the
  // writer's own. `dpi` is the screen's resolution, stated in the file so that
  // readers see the picture's size on screen.
  virtual WriteResult write(ImageView picture, const std::filesystem::path& path, unsigned quality,
                            float dpi) = 0;
  // Whether `read` can read back what this writer wrote.
  virtual bool reads_back() const { return false; }
  // Reads a JPEG file into `into`; false when the file is missing or no
  // picture, or this writer cannot read.
  virtual bool read(const std::filesystem::path& path, Image& into) {
    (void)path;
    (void)into;
    return false;
  }
};

}  // namespace pr
