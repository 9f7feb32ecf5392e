#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation.hpp"
#include "platform/image.hpp"
#include "platform/keys.hpp"
#include "platform/menu.hpp"
#include "platform/units.hpp"

namespace pr {

// Every position and size at this interface is in whole pixels: the program
// converts its twips on its side (platform/units.hpp), so no backend sees one.

using WindowId = int;
using TimerId = int;
constexpr WindowId kNoWindow = 0;

// The icon a window shows in its title bar and the task switcher; Default is
// the system's own.
enum class WindowIcon { Default, Program, Preview };

// How a window looks and behaves. Backends branch on these, never on which
// of the program's windows it is.
struct WindowStyle {
  // A title bar with a close box around a client area of fixed size. An
  // undecorated window is a borderless popup that lies exactly where it is
  // moved, outside the window manager's placement.
  bool decorated = true;
  // A small title bar and no entry in the taskbar.
  bool tool_window = false;
  // Whether a click on it may activate it and take the keyboard focus from
  // the window that has it. None of our windows ever has a taskbar entry.
  bool takes_focus = true;
  // Above the windows of other programs from its creation on; set_topmost
  // changes it afterwards.
  bool keep_above = false;
  // While shown it holds the pointer and the keyboard: every mouse event
  // comes to it, and keys typed meanwhile go nowhere. Such a window reaches
  // the screen when the handler that showed it returns, so one shown and
  // hidden again within a handler never flashes.
  bool grabs_input = false;
  WindowIcon icon = WindowIcon::Default;
};

// A push button in a window's client area.
struct ButtonDesign {
  int id = 0;
  std::string caption;
  int left = 0, top = 0, width = 0, height = 0;  // pixels from the client area's corner
  std::string tooltip;                           // shown while the pointer rests on it; empty: none
};

// A line or two of small text in a window's client area, empty at first.
struct LabelDesign {
  int id = 0;
  int left = 0, top = 0, width = 0, height = 0;  // pixels from the client area's corner
};

struct WindowDesign {
  std::string name;  // "MainWindow": for logs and the headless backend
  std::string caption;
  WindowStyle style;
  int client_width = 0, client_height = 0;  // pixels
  std::vector<ButtonDesign> buttons;
  std::vector<LabelDesign> labels;
};

struct PixelSize {
  int width = 0, height = 0;
};

// A window of another program, as the system names it.
using ForeignWindow = std::uint64_t;
constexpr ForeignWindow kNoForeignWindow = 0;

// What other programs drew on the screen: areas in pixels from the screen's
// corner, each at least as large as what changed.
struct ScreenChanges {
  bool known = false;
  std::vector<PixelRect> areas;
};

// The application's mouse pointer over its own windows.
enum class MousePointer { Default = 0, Arrow = 1, Cross = 2 };

// What the platform tells the program. Coordinates are pixels in the window's
// client area; buttons 1 left, 2 right, 4 middle (a set in mouse_move).
class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual void mouse_down(WindowId w, int button, int shift, int x, int y) = 0;
  virtual void mouse_move(WindowId w, int buttons, int shift, int x, int y) = 0;
  virtual void mouse_up(WindowId w, int button, int shift, int x, int y) = 0;
  virtual void key_press(WindowId w, int char_code) = 0;
  virtual void button_click(WindowId w, int button_id) = 0;
  virtual void timer_tick(TimerId t) = 0;
  // The user asked to close the window (its close box).
  virtual void close_request(WindowId w) = 0;
  // A right-click anywhere on the window, its buttons included. A sink that
  // shows no menus ignores it.
  virtual void context_menu(WindowId) {}
  // The item `item_id` of the menu last shown for the window was chosen.
  virtual void menu_choice(WindowId, int /*item_id*/) {}
};

// Everything the program needs from the system it runs on. One thread; every
// call is made on it and every event arrives on it, one at a time.
class Platform {
 public:
  virtual ~Platform() = default;

  virtual void set_event_sink(EventSink* sink) = 0;

  // Screen. With several monitors, the screen is the smallest rectangle
  // around them all.
  virtual PixelSize screen_size() const = 0;
  // The primary monitor's area less its panels and task bars: where the
  // program's main window belongs.
  virtual PixelRect work_area() const = 0;
  // 1440 / the screen's dots per inch: what the program converts with.
  virtual float twips_per_pixel() const = 0;
  // The whole screen as it is now, without our hidden windows. The view stays
  // valid until the next copy.
  virtual ImageView copy_screen() = 0;
  // The same for a caller that reads only this rectangle: the view is that
  // part of the screen, and a backend may grab just that part.
  virtual ImageView copy_screen_region(int x, int y, int width, int height) {
    return copy_screen().crop(x, y, width, height);
  }
  virtual void set_mouse_pointer(MousePointer pointer) = 0;

  // Windows. Positions are relative to the screen's corner; sizes are outer
  // sizes, frame included.
  virtual WindowId create_window(const WindowDesign& design) = 0;
  virtual void destroy_window(WindowId w) = 0;
  // What the system's frame adds to the window's client area: the title bar
  // and borders of a decorated window, nothing for an undecorated one.
  virtual PixelSize frame_size(WindowId w) const = 0;
  virtual void move_window(WindowId w, int left, int top, int width, int height) = 0;
  virtual void show_window(WindowId w) = 0;
  // Shows `w` modal to `owner` and returns when `w` is hidden or destroyed;
  // events, timers included, go on being handled meanwhile.
  virtual void show_modal(WindowId w, WindowId owner) = 0;
  virtual void hide_window(WindowId w) = 0;
  virtual void set_topmost(WindowId w, bool topmost) = 0;
  // The window's title, UTF-8.
  virtual void set_caption(WindowId w, std::string_view caption) = 0;
  // The text of a label of the window ("\n" breaks a line) and the tooltip
  // shown while the pointer rests on it.
  virtual void set_label(WindowId w, int label_id, std::string_view text,
                         std::string_view tooltip) = 0;
  // The caption of a push button of the window and the tooltip shown while
  // the pointer rests on it (empty: none).
  virtual void set_button(WindowId w, int button_id, std::string_view caption,
                          std::string_view tooltip) = 0;
  // The window's persistent image, shown as its background from its top-left
  // corner. The view stays valid until the next call for the window.
  virtual void set_window_picture(WindowId w, ImageView picture) = 0;
  // A one-pixel outline in `rgb` (0xRRGGBB) in the client area, drawn above
  // the window's picture and covering exactly (left, top, width, height). A
  // width or height of 0 or less hides it.
  virtual void set_outline(WindowId w, int left, int top, int width, int height,
                           std::uint32_t rgb) = 0;
  // Pops the menu up at the pointer, over `w`, without taking the keyboard
  // focus from the window that has it (or giving it back when the menu
  // closes). A choice arrives as menu_choice after this call has returned;
  // closing the menu without one sends nothing.
  virtual void show_menu(WindowId w, const Menu& menu) = 0;

  // Other programs' windows. A run follows the window of the document it
  // pages: the one that had the keyboard focus at its commit.
  // The top-level window of another program that has the keyboard focus now;
  // kNoForeignWindow when none has or when it is one of ours.
  virtual ForeignWindow focused_window() const = 0;
  // Whether the window is still there.
  virtual bool window_exists(ForeignWindow w) const = 0;
  // Where the window lies on the screen, its frame included; empty when it
  // is gone or hidden.
  virtual PixelRect window_area(ForeignWindow w) const = 0;
  // Whether one of our windows or menus holds the keyboard now, so that keys
  // sent would not reach the focused window.
  virtual bool keyboard_held_by_us() const = 0;
  // The parts of the screen that other programs have drawn since the last
  // call (our own windows' drawing left out). `known` is false on a system
  // that gives no such reports.
  virtual ScreenChanges take_screen_changes() = 0;

  // Keys. `send_keys` queues keystrokes for whatever window has the keyboard
  // focus, as if typed, without waiting. `post_key` queues a character for one
  // of our own windows, handled after the current event. While Esc is grabbed,
  // Esc pressed anywhere reaches `target` as kEscapeChar.
  virtual void send_keys(const std::vector<KeyChord>& keys) = 0;
  virtual void post_key(WindowId w, int char_code) = 0;
  virtual void grab_escape(WindowId target, bool grab) = 0;
  // Whether Esc pressed anywhere reaches the grab's target now: false when
  // another program holds the key (a grab may then be asked for again).
  virtual bool escape_grabbed() const = 0;
  // Whether this desktop lets the program take Esc from the whole desktop at
  // all; where it does not (Wayland without the global-shortcuts portal's
  // Esc), Esc reaches only a window of ours that holds the keyboard.
  virtual bool escape_offered() const { return true; }

  // Periodic timers. `set_timer` with an interval above 0 starts a new period
  // now, whether or not the timer was running; 0 stops it. When to restart is
  // the program's rule (the Timer control), not the backend's.
  virtual TimerId create_timer() = 0;
  virtual void set_timer(TimerId t, std::int32_t interval_ms) = 0;

  // The running instance of an automation class; throws when there is none.
  virtual std::unique_ptr<AutomationObject> attach_automation(std::string_view class_name) = 0;

  // The folder the capture folder lives in: the home folder on Linux, the
  // system drive's root on Windows.
  virtual std::filesystem::path base_folder() const = 0;
  // Opens the folder in the desktop's file manager without waiting for it.
  // Throws when the file manager cannot be started.
  virtual void open_folder(const std::filesystem::path& folder) = 0;

  // Moves one file or link (the link itself, never its target) to the
  // desktop's trash, where the user can restore it. Returns "" only when the
  // trash has it, else the system's words for why not; the file is then where
  // it was, or gone where the system destroyed it instead (the words say so).
  virtual std::string move_to_trash(const std::filesystem::path& path) = 0;

  // One program per desktop session: claims the session for `main`, the
  // program's main window, and returns true. When another instance holds it,
  // draws the user's attention to that one's main window without taking the
  // keyboard focus, and returns false.
  virtual bool claim_instance(WindowId main) = 0;

  // The event loop: runs until `quit`, returns the exit status.
  virtual int run() = 0;
  virtual void quit() = 0;
};

}  // namespace pr
