#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/gtk/gtk_loop.hpp"
#include "platform/platform.hpp"
#include "platform/x11/x11_connection.hpp"
#include "platform/x11/x11_damage.hpp"
#include "platform/x11/x11_input.hpp"
#include "platform/x11/x11_painting.hpp"
#include "platform/x11/x11_screen_grabber.hpp"
#include "platform/x11/x11_settle.hpp"
#include "platform/x11/x11_window_place.hpp"
#include "platform/x11/x11_windows.hpp"

namespace pr::x11 {

// The platform on an X server: GTK 3 windows and main loop on GDK's X11
// backend; MIT-SHM screen copies, XTest keystrokes and the Esc grab on Xlib.
class X11Platform : public Platform {
 public:
  // Throws a platform error when there is no X server to talk to.
  X11Platform();
  ~X11Platform() override;
  X11Platform(const X11Platform&) = delete;
  X11Platform& operator=(const X11Platform&) = delete;

  // For tests and diagnostics.
  Display* display() const { return connection_.display(); }
  Window native_window(WindowId w) const;
  // Handles what arrives within `max_wait` (events, due timers, posted keys)
  // and returns; true while the program has not quit.
  bool pump(std::chrono::milliseconds max_wait) { return loop_.pump(max_wait); }
  bool uses_shm() const { return grabber_.uses_shm(); }
  // The popup menu last shown, shown or not; null before the first.
  GtkWidget* popup_menu() const { return menu_.get(); }

  void set_event_sink(EventSink* sink) override { sink_ = sink; }
  PixelSize screen_size() const override;
  PixelRect work_area() const override;
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
  void set_window_picture(WindowId w, ImageView picture) override;
  void set_outline(WindowId w, int left, int top, int width, int height,
                   std::uint32_t rgb) override;
  void set_caption(WindowId w, std::string_view utf8) override;
  void show_menu(WindowId w, const Menu& menu) override;
  void send_keys(const std::vector<KeyChord>& keys) override;
  void post_key(WindowId w, int char_code) override;
  void grab_escape(WindowId target, bool grab) override;
  bool escape_grabbed() const override {
    return escape_target_ != kNoWindow && escape_grab_ && escape_grab_->complete();
  }
  TimerId create_timer() override { return loop_.create_timer(); }
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
  int run() override { return loop_.run(); }
  void quit() override { loop_.quit(); }

 private:
  struct Win {
    X11Platform* platform = nullptr;
    WindowId id = kNoWindow;
    WindowStyle style;
    BuiltWindow built;
    Rect client;  // the position is the frame's top-left corner
    Rect frame;   // what the frame adds: left, top, added width and height
    Canvas canvas;
    bool shown = false;
    // An overlay is mapped when the handler that showed it returns, so one
    // shown and hidden again within a handler never reaches the screen.
    bool map_pending = false;
    ImageView pending_picture;
    // Where it lies on the screen, frame included, as last asked; forgotten
    // whenever GDK reports it moved, resized, mapped or unmapped.
    std::optional<PixelRect> on_screen;
    bool input_blocked = false;  // by a modal window it owns
    std::unique_ptr<SeatGrab> grab;
  };

  Win* find(WindowId w);
  const Win* find(WindowId w) const;
  GdkCursor* cursor() const;
  void connect_signals(Win& win);
  void place(Win& win);
  void map_pending_overlays();
  void repaint(Win& win, const std::vector<Rect>& areas);
  void show_picture(Win& win, ImageView picture);
  // Hands one event to the program; no error unwinds through GTK.
  void deliver(const std::function<void()>& call);

  static gboolean on_draw(GtkWidget*, cairo_t* cr, gpointer win);
  static gboolean on_delete(GtkWidget*, GdkEvent*, gpointer win);
  static gboolean on_button(GtkWidget*, GdkEventButton* event, gpointer win);
  static gboolean on_motion(GtkWidget*, GdkEventMotion* event, gpointer win);
  static gboolean on_key(GtkWidget*, GdkEventKey* event, gpointer win);
  static void on_clicked(GtkButton* button, gpointer win);
  static gboolean on_window_state(GtkWidget*, GdkEventWindowState* event, gpointer win);
  static gboolean on_placed(GtkWidget*, GdkEvent* event, gpointer win);
  GtkWidget* build_menu(const Menu& menu);
  static void on_menu_item(GtkMenuItem* item, gpointer self);
  static gboolean on_menu_key(GtkWidget*, GdkEventKey* event, gpointer self);
  static gboolean on_map_pending(gpointer self);

  Connection connection_;
  float tpp_ = 15;
  EventSink* sink_ = nullptr;
  ScreenGrabber grabber_;
  ScreenSettle settle_;
  ScreenDamage damage_;
  // Where the foreign window asked about last lies: a run asks where its
  // document lies at every tick.
  mutable WindowPlace place_;
  gtk::Loop loop_;
  std::map<WindowId, std::unique_ptr<Win>> windows_;
  WindowId next_window_ = 1;
  guint map_idle_ = 0;
  WindowId escape_target_ = kNoWindow;
  std::unique_ptr<EscapeGrab> escape_grab_;
  bool escape_refusal_told_ = false;
  MousePointer pointer_ = MousePointer::Default;
  CursorPtr arrow_, cross_;
  WindowPtr menu_;  // the popup menu last shown, and the window it was shown for
  WindowId menu_window_ = kNoWindow;
  WindowId main_window_ = kNoWindow;
};

}  // namespace pr::x11
