#include <exception>
#include <iostream>
#include <memory>

#include "app/command_line.hpp"
#include "app/program.hpp"
#include "core/constants.hpp"
#include "core/system_jpeg_writer.hpp"
#include "platform/report.hpp"
#include "platform/x11/x11_platform.hpp"
#ifdef PAGEROOK_WAYLAND
#include "platform/wayland/wl_choice.hpp"
#endif

namespace {

// Wayland's own backend where the session and its compositor allow, else X11.
std::unique_ptr<pr::Platform> open_platform() {
#ifdef PAGEROOK_WAYLAND
  if (auto wayland = pr::wayland::open_wayland_if_offered()) return wayland;
#endif
  return std::make_unique<pr::x11::X11Platform>();
}

}  // namespace

int main(int argc, char** argv) {
  if (auto status = pr::answer_command_line({argv + 1, argv + argc},
                                            std::string("~/") + pr::kCaptureFolderName,
                                            pr::write_standard_output, pr::write_standard_error))
    return *status;
  try {
    auto writer = pr::make_system_jpeg_writer();
    auto platform = open_platform();
    pr::Program program(*platform, *writer);
    if (program.second_instance()) return 0;
    program.run_report = [](std::string_view line) { std::cout << line << std::endl; };
    return platform->run();
  } catch (const std::exception& error) {
    pr::report_error(error.what());
    return 1;
  }
}
