#include "core/gdiplus_writer.hpp"
#include "core/system_jpeg_writer.hpp"

namespace pr {

std::unique_ptr<JpegWriter> make_system_jpeg_writer() {
  return std::make_unique<GdiplusJpegWriter>();
}

}  // namespace pr
