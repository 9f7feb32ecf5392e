#pragma once

#include <windows.h>

#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "platform/report.hpp"
#include "platform/win32/win32_automation.hpp"
#include "platform/win32/win32_dib_section.hpp"
#include "platform/win32/win32_handles.hpp"

namespace pr::win32 {

// Resource ids of the icons the windows show; 0 for none.
struct IconIds {
  int main = 0;
  int preview = 0;
};

// The Win32 backend: one thread, one message queue. Decorated windows and
// windows that grab input are owned by a hidden window, which keeps them out
// of the taskbar; the other undecorated ones are popups. Timers and the Esc
// hot key go through the hidden window.
class Win32Platform : public Platform {
 public:
  Win32Platform(HINSTANCE instance, IconIds icons);
  ~Win32Platform() override;

  // For tests: the window behind an id, or null.
  HWND hwnd(WindowId w) const;

  void set_event_sink(EventSink* sink) override { sink_ = sink; }
  PixelSize screen_size() const override;
  // Where the program's (0, 0) lies in Windows' screen coordinates.
  static POINT desktop_origin();
  PixelRect work_area() const override;
  float twips_per_pixel() const override { return tpp_; }
  ImageView copy_screen() override;
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
  void set_outline(WindowId w, int left, int top, int width, int height,
                   std::uint32_t rgb) override;
  // Returns when the menu has closed.
  void show_menu(WindowId w, const Menu& menu) override;
  void send_keys(const std::vector<KeyChord>& keys) override;
  void post_key(WindowId w, int char_code) override;
  void grab_escape(WindowId target, bool grab) override;
  bool escape_grabbed() const override { return escape_target_ != kNoWindow; }
  TimerId create_timer() override;
  void set_timer(TimerId t, std::int32_t interval_ms) override;
  std::unique_ptr<AutomationObject> attach_automation(std::string_view class_name) override;
  std::filesystem::path base_folder() const override;
  void open_folder(const std::filesystem::path& folder) override;
  std::string move_to_trash(const std::filesystem::path& path) override;
  bool claim_instance(WindowId main) override;
  ForeignWindow focused_window() const override;
  bool window_exists(ForeignWindow w) const override;
  PixelRect window_area(ForeignWindow w) const override;
  bool keyboard_held_by_us() const override;
  ScreenChanges take_screen_changes() override;
  void set_button(WindowId w, int button_id, std::string_view caption,
                  std::string_view tooltip) override;
  void set_label(WindowId w, int label_id, std::string_view text,
                 std::string_view tooltip) override;
  int run() override;
  void quit() override { PostQuitMessage(0); }

 private:
  struct Window {
    WindowStyle style;
    UniqueWindow hwnd;
    DibSection picture;
    bool has_picture = false;
    RECT outline{};  // pixels; empty: no outline
    COLORREF outline_colour = 0;
    // A window that grabs input: shown by the program, on the screen once the
    // handler that showed it has returned.
    bool show_pending = false;
    // On the screen and active, holding the keyboard and the pointer; the
    // activation goes back to `gave_back_to` when it leaves the screen.
    bool holding = false;
    HWND gave_back_to = nullptr;
    HWND focus_to_give_back = nullptr;
  };
  struct Modal {
    WindowId window;
    HWND owner;
    bool done = false;
  };

  static LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK host_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  // While our popup menu is open, takes every key pressed and gives it to
  // the menu; Esc closes it.
  static LRESULT CALLBACK menu_keys(int code, WPARAM wp, LPARAM lp);
  static Win32Platform* menu_platform_;
  static HWND menu_owner_;
  static LRESULT CALLBACK cbt_hook(int code, WPARAM wp, LPARAM lp);
  // The first instance's window that a second one finds and asks for the
  // user's attention.
  static LRESULT CALLBACK instance_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void listen_for_rivals(WindowId main);
  void draw_attention();
  // While a window that grabs input is shown, every key pressed goes to it:
  // a low-level hook takes the keys before any program (on Windows Alt+F4
  // and Alt+Tab too); Esc reaches the window as kEscapeChar.
  static LRESULT CALLBACK held_keys(int code, WPARAM wp, LPARAM lp);
  void hold_keyboard(HWND hwnd);
  // Puts a window that grabs input on the screen as the active window: the
  // window manager's close key (Alt+F4 under Wine, where the window manager
  // takes it before any hook) then closes the overlay, never the document.
  void show_holding(Window& win, HWND hwnd);
  // Takes it off the screen and gives the activation back.
  void end_holding(Window& win, HWND hwnd);
  LRESULT handle(WindowId id, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT handle_host(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void paint(Window& win, HWND hwnd);
  void mouse(WindowId id, UINT msg, WPARAM wp, LPARAM lp);
  void apply_cursor();
  void end_modal(WindowId w);
  Window* find(WindowId w);
  const Window* find(WindowId w) const;
  WindowId id_of(HWND hwnd) const;
  // Whether activation and focus stay away from the window.
  bool keeps_focus_away(HWND hwnd) const;
  void wait_for_uncovered_screen();
  // Shows `text` while the pointer rests on `tool`, a child of `window`,
  // instead of what it showed; empty: nothing.
  void set_tooltip(HWND window, HWND tool, std::string_view text);
  // Runs a call into the program; no error leaves a window procedure.
  template <class Call>
  void deliver(Call&& call) {
    if (!sink_) return;
    try {
      call(*sink_);
    } catch (const std::exception& e) {
      report_error(e.what());
    } catch (...) {
      report_error("unknown error");
    }
  }

  // Messages our own windows post to themselves: a key for the program.
  static constexpr UINT kPostedKey = WM_APP + 1;
  // The item chosen from a window's popup menu, handled once it has closed.
  static constexpr UINT kMenuChoice = WM_APP + 2;
  // A window that grabs input reaches the screen.
  static constexpr UINT kShowHolding = WM_APP + 3;
  // Restores a window that was minimised.
  static constexpr UINT kRestore = WM_APP + 4;
  static constexpr wchar_t kWindowClass[] = L"PagerookWindow";

  HINSTANCE instance_;
  IconIds icons_;
  ComApartment com_;
  float tpp_ = 15;
  EventSink* sink_ = nullptr;
  UniqueWindow host_;
  UniqueHook hook_;
  UniqueHandle instance_mutex_;
  WindowId instance_main_ = kNoWindow;
  UniqueWindow instance_window_;
  UniqueHook keyboard_hook_;
  UniqueFont ui_font_;
  std::map<WindowId, std::unique_ptr<Window>> windows_;
  WindowId next_window_ = 1;
  std::map<TimerId, bool> timers_;  // whether it runs
  TimerId next_timer_ = 1;
  WindowId escape_target_ = kNoWindow;
  bool escape_refusal_told_ = false;
  MousePointer pointer_ = MousePointer::Default;
  ScreenCopier screen_;
  bool uncovered_ = false;  // one of our windows left the screen since the last copy
  std::vector<Modal*> modals_;
  UniqueWindow tooltips_;
  std::map<HWND, std::wstring> tool_tips_;  // each tool's text, kept for the control
};

}  // namespace pr::win32
