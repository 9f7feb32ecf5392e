#include "core/system_jpeg_writer.hpp"
#include "core/turbojpeg_writer.hpp"

namespace pr {

std::unique_ptr<JpegWriter> make_system_jpeg_writer() {
  return std::make_unique<TurboJpegWriter>();
}

}  // namespace pr
