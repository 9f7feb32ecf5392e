#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation.hpp"
#include "platform/image.hpp"
#include "platform/jpeg_writer.hpp"
#include "platform/keys.hpp"

namespace pr {

using WindowId = int;
using TimerId = int;
constexpr WindowId kNoWindow = 0;

// The three designed window kinds: a fixed dialog frame with a close box, a
// borderless full-screen overlay, and a fixed tool window.
enum class WindowKind { Main, Overlay, Preview };

// A push button shown in a window's client area (twips from its top-left).
struct ButtonDesign {
  int id = 0;
  std::string caption;
  float left = 0, top = 0, width = 0, height = 0;
};

struct WindowDesign {
  WindowKind kind = WindowKind::Main;
  std::string name;  // "Form1": for logs and the headless backend
  std::string caption;
  float client_width = 0, client_height = 0;  // twips
  std::vector<ButtonDesign> buttons;
};

// Extra outer size that the frame of a window kind adds to its client area.
struct FrameSize {
  float width = 0, height = 0;  // twips
};

struct PixelSize {
  int width = 0, height = 0;
};

// The application's mouse pointer over its own windows.
enum class MousePointer { Default = 0, Arrow = 1, Cross = 2 };

// What the platform tells the program. Coordinates are twips in the window's
// client area; buttons 1 left, 2 right, 4 middle (a set in mouse_move).
class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual void mouse_down(WindowId w, int button, int shift, float x, float y) = 0;
  virtual void mouse_move(WindowId w, int buttons, int shift, float x, float y) = 0;
  virtual void mouse_up(WindowId w, int button, int shift, float x, float y) = 0;
  virtual void key_press(WindowId w, int char_code) = 0;
  virtual void button_click(WindowId w, int button_id) = 0;
  virtual void timer_tick(TimerId t) = 0;
  // The user asked to close the window (its close box).
  virtual void close_request(WindowId w) = 0;
};

// Everything the program needs from the system it runs on. One thread; every
// call is made on it and every event arrives on it, one at a time.
class Platform {
 public:
  virtual ~Platform() = default;

  virtual void set_event_sink(EventSink* sink) = 0;

  // Screen.
  virtual PixelSize screen_size() const = 0;
  virtual float twips_per_pixel() const = 0;
  // The whole screen as it is now, without our hidden windows. The view stays
  // valid until the next copy.
  virtual ImageView copy_screen() = 0;
  // The same for a caller that reads only this rectangle (pixels): the view
  // is that part of the screen, and a backend may grab just that part.
  virtual ImageView copy_screen_region(int x, int y, int width, int height) {
    return copy_screen().crop(x, y, width, height);
  }
  virtual void set_mouse_pointer(MousePointer pointer) = 0;

  // Windows. Positions and outer sizes are twips, relative to the screen.
  virtual WindowId create_window(const WindowDesign& design) = 0;
  virtual void destroy_window(WindowId w) = 0;
  virtual FrameSize frame_size(WindowKind kind) const = 0;
  virtual void move_window(WindowId w, float left, float top, float width, float height) = 0;
  virtual void show_window(WindowId w) = 0;
  // Shows `w` modal to `owner` and returns when `w` is hidden or destroyed;
  // events, timers included, go on being handled meanwhile.
  virtual void show_modal(WindowId w, WindowId owner) = 0;
  virtual void hide_window(WindowId w) = 0;
  virtual void set_topmost(WindowId w, bool topmost) = 0;
  // The window's title, UTF-8.
  virtual void set_caption(WindowId w, std::string_view caption) = 0;
  // The window's persistent image, shown as its background from its top-left
  // corner. The view stays valid until the next call for the window.
  virtual void set_window_picture(WindowId w, ImageView picture) = 0;
  // A one-pixel outline drawn above the window's picture; size 0 hides it.
  virtual void set_outline(WindowId w, float left, float top, float width, float height) = 0;

  // Keys. `send_keys` queues keystrokes for whatever window has the keyboard
  // focus, as if typed, without waiting. `post_key` queues a character for one
  // of our own windows, handled after the current event. While Esc is grabbed,
  // Esc pressed anywhere reaches `target` as character 27.
  virtual void send_keys(const std::vector<KeyChord>& keys) = 0;
  virtual void post_key(WindowId w, int char_code) = 0;
  virtual void grab_escape(WindowId target, bool grab) = 0;

  // Periodic timers. Interval 0 never ticks; changing the interval or
  // enabling a disabled timer starts a new period.
  virtual TimerId create_timer() = 0;
  virtual void set_timer(TimerId t, std::int32_t interval_ms, bool enabled) = 0;
  // Blocks the calling handler this long without handling any event.
  virtual void sleep_ms(std::int32_t ms) = 0;

  // The running instance of an automation class; throws when there is none.
  virtual std::unique_ptr<AutomationObject> attach_automation(std::string_view class_name) = 0;

  // Where captures go, and how they are written.
  virtual std::filesystem::path capture_folder() const = 0;
  virtual JpegWriter& jpeg_writer() = 0;

  // The event loop: runs until `quit`, returns the exit status.
  virtual int run() = 0;
  virtual void quit() = 0;
};

}  // namespace pr
