#pragma once

#include <memory>

#include "platform/platform.hpp"

namespace pr::wayland {

// The Wayland backend when the program runs in a Wayland session whose
// compositor offers what it needs, else nullptr: the X11 backend (through
// XWayland) is then the program's. Says on stderr which it is and, when a
// Wayland session cannot have its backend, what is missing.
// PAGEROOK_BACKEND=x11 keeps the X11 backend, for documents shown by X11
// programs.
std::unique_ptr<Platform> open_wayland_if_offered();

}  // namespace pr::wayland
