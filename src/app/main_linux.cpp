#include <exception>

#include "app/program.hpp"
#include "platform/report.hpp"
#include "platform/x11/x11_platform.hpp"
#include "store/system_jpeg_writer.hpp"

int main() {
  try {
    auto writer = pr::make_system_jpeg_writer();
    pr::x11::X11Platform platform;
    pr::Program program(platform, *writer);
    return platform.run();
  } catch (const std::exception& error) {
    pr::report_error(error.what());
    return 1;
  }
}
