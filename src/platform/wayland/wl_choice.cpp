#include "platform/wayland/wl_choice.hpp"

#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/report.hpp"
#include "platform/wayland/wl_platform.hpp"

namespace pr::wayland {

std::unique_ptr<Platform> open_wayland_if_offered() {
  const char* display = std::getenv("WAYLAND_DISPLAY");
  if (!display || !*display) return nullptr;
  const char* chosen = std::getenv("PAGEROOK_BACKEND");
  if (chosen && std::string_view(chosen) == "x11") {
    report_error("PAGEROOK_BACKEND=x11: the X11 backend, for the windows of X11 programs only");
    return nullptr;
  }
  try {
    auto platform = std::make_unique<WaylandPlatform>();
    // Which backend runs, said once; Esc's absence is said when a run asks.
    report_error(std::string("the Wayland backend on ") + display);
    return platform;
  } catch (const std::exception& error) {
    report_error(std::string(error.what()) +
                 ": the X11 backend instead, which sees and pages X11 programs only");
    return nullptr;
  }
}

}  // namespace pr::wayland
