#include "platform/x11/x11_error.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pr::x11 {

namespace {

ErrorTrap* active_trap = nullptr;
int trapped_code = 0;

int on_error(Display* display, XErrorEvent* event) {
  if (active_trap) {
    if (trapped_code == 0) trapped_code = event->error_code;
    return 0;
  }
  std::fprintf(stderr, "pagerook: X error: %s (request %d.%d, resource 0x%lx)\n",
               error_text(display, event->error_code).c_str(), event->request_code,
               event->minor_code, event->resourceid);
  return 0;
}

int on_io_error(Display* display) {
  int err = errno;
  const char* name = display ? DisplayString(display) : "";
  if (err != 0 && err != EAGAIN) {
    std::fprintf(stderr, "pagerook: lost the connection to the X server %s: %s\n", name,
                 std::strerror(err));
  } else {
    std::fprintf(stderr, "pagerook: lost the connection to the X server %s\n", name);
  }
  std::fflush(stderr);
  // Xlib cannot go on after this handler; every capture file is already
  // complete, since files are written whole before any X call follows.
  std::_Exit(1);
}

}  // namespace

void install_error_handlers() {
  XSetErrorHandler(on_error);
  XSetIOErrorHandler(on_io_error);
}

std::string error_text(Display* display, int code) {
  char text[256] = {};
  XGetErrorText(display, code, text, sizeof text);
  return text;
}

ErrorTrap::ErrorTrap(Display* display) : display_(display), outer_(active_trap) {
  XSync(display_, False);
  if (!outer_) trapped_code = 0;
  active_trap = this;
}

ErrorTrap::~ErrorTrap() {
  XSync(display_, False);
  active_trap = outer_;
  if (!outer_) trapped_code = 0;
}

int ErrorTrap::sync() {
  XSync(display_, False);
  return trapped_code;
}

}  // namespace pr::x11
