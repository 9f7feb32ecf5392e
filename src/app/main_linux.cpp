#include <exception>

#include "app/program.hpp"
#include "platform/report.hpp"
#include "platform/x11/x11_platform.hpp"

int main() {
  try {
    pr::x11::X11Platform platform;
    pr::Program program(platform);
    return platform.run();
  } catch (const std::exception& error) {
    pr::report_error(error.what());
    return 1;
  }
}
