#pragma once

#include <memory>

#include "platform/jpeg_writer.hpp"

namespace pr {

// The JPEG writer of the system we run on.
std::unique_ptr<JpegWriter> make_system_jpeg_writer();

}  // namespace pr
