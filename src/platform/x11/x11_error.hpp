#pragma once

#include <X11/Xlib.h>

#include <string>

namespace pr::x11 {

// Routes X errors through one handler that prints them with the server's own
// words, and ends the program with a message and status 1 when the
// connection to the server is lost.
void install_error_handlers();

std::string error_text(Display* display, int code);

// While one is alive, X errors are recorded for the caller instead of printed.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display);
  ~ErrorTrap();
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
  // Waits for the server to answer everything sent so far; the first error
  // since the trap was set, or 0 (Success).
  int sync();

 private:
  Display* display_;
  ErrorTrap* outer_;
};

}  // namespace pr::x11
