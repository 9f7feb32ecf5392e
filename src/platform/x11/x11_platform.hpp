#pragma once

#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>

#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "platform/x11/screen_grabber.hpp"
#include "platform/x11/stop_signals.hpp"
#include "platform/x11/timer_queue.hpp"

namespace pr::x11 {

// The platform on an X server: Xlib windows, Xft text, MIT-SHM screen
// copies, XTest keystrokes and a poll() loop over the connection and timers.
class X11Platform : public Platform {
 public:
  // Connects to `display_name` (nullptr: $DISPLAY); throws a platform error
  // when there is no server to talk to.
  explicit X11Platform(const char* display_name = nullptr);
  ~X11Platform() override;
  X11Platform(const X11Platform&) = delete;
  X11Platform& operator=(const X11Platform&) = delete;

  // For tests and diagnostics.
  Display* display() const { return display_; }
  Window native_window(WindowId w) const;
  // Handles what arrives within `max_wait` (events, due timers, posted keys)
  // and returns; true while the program has not quit.
  bool pump(std::chrono::milliseconds max_wait);
  bool uses_shm() const { return grabber_ && grabber_->uses_shm(); }

  void set_event_sink(EventSink* sink) override { sink_ = sink; }
  PixelSize screen_size() const override;
  float twips_per_pixel() const override { return tpp_; }
  ImageView copy_screen() override;
  ImageView copy_screen_region(int x, int y, int width, int height) override;
  void set_mouse_pointer(MousePointer pointer) override;
  WindowId create_window(const WindowDesign& design) override;
  void destroy_window(WindowId w) override;
  PixelSize frame_size(WindowId w) const override;
  void move_window(WindowId w, int left, int top, int width, int height) override;
  void show_window(WindowId w) override;
  void show_modal(WindowId w, WindowId owner) override;
  void hide_window(WindowId w) override;
  void set_topmost(WindowId w, bool topmost) override;
  void set_caption(WindowId w, std::string_view caption) override;
  void set_window_picture(WindowId w, ImageView picture) override;
  void set_outline(WindowId w, int left, int top, int width, int height) override;
  void send_keys(const std::vector<KeyChord>& keys) override;
  void post_key(WindowId w, int char_code) override;
  void grab_escape(WindowId target, bool grab) override;
  TimerId create_timer() override;
  void set_timer(TimerId t, std::int32_t interval_ms) override;
  void sleep_ms(std::int32_t ms) override;
  std::unique_ptr<AutomationObject> attach_automation(std::string_view class_name) override;
  std::filesystem::path base_folder() const override;
  std::string move_to_trash(const std::filesystem::path& path) override;
  int run() override;
  void quit() override { quit_ = true; }

 private:
  struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
  };
  struct Button {
    ButtonDesign design;
    Rect rect;  // pixels in the client area
    bool held = false;
    bool pressed_look = false;
  };
  struct Win {
    WindowStyle style;
    std::string name;
    Window xid = None;
    Rect client;  // pixels; the position is the frame's top-left
    bool shown = false;
    // The overlay is mapped when the handler that showed it returns, so one
    // shown and hidden again within a handler never reaches the screen.
    bool map_pending = false;
    ImageView pending_picture;
    bool above = false;
    bool modal = false;
    bool input_blocked = false;
    Pixmap picture = None;
    Rect picture_rect;  // where the picture lies in the client area
    Rect outline;
    std::vector<Button> buttons;
    XftDraw* draw = nullptr;
  };

  Win* find(WindowId w);
  const Win* find(WindowId w) const;
  WindowId id_of(Window xid) const;
  Atom atom(const char* name);
  unsigned long pixel_of(std::uint32_t rgb) const;

  void set_fixed_size(const Win& win);
  void write_wm_state(const Win& win);
  // WM_NAME and _NET_WM_NAME.
  void write_caption(Window xid, std::string_view text);
  void send_wm_state(const Win& win, bool add, Atom first, Atom second = None);
  void learn_frame_extents();
  void map_managed(Win& win);
  void grab_overlay_input(Win& win);
  void wait_until_hidden();
  void map_pending_overlays();
  void upload_picture(Win& win, ImageView picture);
  template <class Grab>
  ImageView settled_grab(Grab&& grab);
  void copy_picture(Win& win, const Rect& area);
  Cursor cursor_for(MousePointer pointer) const;

  void handle(XEvent& event);
  void handle_button(Win& win, WindowId id, const XEvent& event);
  void paint(Win& win, const Rect& area);
  void paint_buttons(Win& win);
  void clear_outline(Win& win, const Rect& r);
  void draw_outline(Win& win);
  void deliver_posted();
  void fire_timers();
  int wait_ms(std::chrono::milliseconds max_wait) const;
  void grab_escape_keys(bool grab);

  Display* display_ = nullptr;
  int screen_ = 0;
  Window root_ = None;
  Visual* visual_ = nullptr;
  int depth_ = 0;
  float tpp_ = 15;
  bool have_wm_ = false;
  Rect main_frame_{0, 0, 6, 29};  // frame extents: left, top, added width, added height
  EventSink* sink_ = nullptr;
  std::unique_ptr<ScreenGrabber> grabber_;
  std::map<WindowId, Win> windows_;
  WindowId next_window_ = 1;
  TimerQueue timers_;
  std::deque<std::pair<WindowId, int>> posted_;
  WindowId escape_target_ = kNoWindow;
  bool escape_grabbed_ = false;
  bool escape_refusal_told_ = false;
  MousePointer pointer_ = MousePointer::Default;
  Cursor arrow_ = None, cross_ = None;
  GC gc_ = nullptr;
  XftFont* font_ = nullptr;
  XftColor text_colour_{};
  std::map<std::string, Atom> atoms_;
  // When the screen last changed because of us (a window taken away, keys
  // sent), and whether it did so in the handler that is running now.
  std::chrono::steady_clock::time_point last_change_{};
  std::chrono::steady_clock::time_point last_keys_{};
  bool changed_in_handler_ = false;
  bool quit_ = false;
  int exit_status_ = 0;
  StopSignals stop_signals_;
};

}  // namespace pr::x11
