#pragma once

#include <filesystem>

#include "platform/image.hpp"

namespace pr {

// Writes one picture as a JPEG file. The file appears at `path` complete or not
// at all: a failed write leaves neither it nor any temporary file behind.
class JpegWriter {
 public:
  virtual ~JpegWriter() = default;
  // `quality` is 0..255; what the encoder makes of values above 100 is the
  // writer's own. `dpi` is the screen's resolution, stated in the file so that
  // readers see the picture's size on screen. Returns whether it was written.
  virtual bool write(ImageView picture, const std::filesystem::path& path, unsigned quality,
                     float dpi) = 0;
};

}  // namespace pr
