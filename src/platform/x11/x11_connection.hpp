#pragma once

#include <X11/Xlib.h>

#include <string>

namespace pr::x11 {

// GTK on GDK's X11 backend, and the Xlib display under it for what GTK does
// not do. Opened once per process (GDK keeps its default display for the
// process's life); throws a platform error when there is no X server, naming
// the display tried.
class Connection {
 public:
  Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  Display* display() const { return display_; }
  int screen() const { return screen_; }
  Window root() const { return root_; }
  Atom atom(const char* name) const;
  // Dots per inch as the desktop sets them now (Xft.dpi), 96 without one.
  float dpi() const;
  // Sends what is buffered to the server.
  void flush() const;

 private:
  Display* display_ = nullptr;
  int screen_ = 0;
  Window root_ = None;
};

// The root's child that holds `w`: its frame when a window manager has
// reparented it. None when `w` is gone.
Window frame_of(Display* display, Window w);

// The server's words for an X error code.
std::string error_text(Display* display, int code);

// While one is alive, X errors on GDK's display are kept for the caller
// instead of ending the program (GDK's own handler does that for errors
// nobody trapped).
class ErrorTrap {
 public:
  ErrorTrap();
  ~ErrorTrap();
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
  // Waits for the server to answer everything sent so far; the last error
  // since the trap was set (or the last check), or 0 (Success).
  int check();

 private:
  bool pushed_ = true;
};

}  // namespace pr::x11
