#pragma once

#include <gtk/gtk.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/gtk/canvas.hpp"
#include "platform/gtk/gtk_loop.hpp"
#include "platform/gtk/gtk_window.hpp"
#include "platform/gtk/portal_escape.hpp"
#include "platform/platform.hpp"
#include "platform/wayland/wl_keyboard.hpp"
#include "platform/wayland/wl_screen_copy.hpp"
#include "platform/wayland/wl_session.hpp"

namespace pr::wayland {

// The platform on a wlroots Wayland compositor (sway, Hyprland, river,
// labwc, wayfire): GTK 3 windows and main loop on GDK's Wayland backend,
// each of our windows a layer surface (gtk-layer-shell); screen copies and
// keystrokes through the compositor's own protocols on a connection of ours.
//
// What Wayland does not give a client, and what this backend does instead:
// - The screen is one output: the one the pointer was on at the last press
//   on a window of ours (at a capture, the main window's button), chosen
//   afresh when the whole screen is copied to be frozen and kept until the
//   next such copy; the grabbing window is put on it, so a drag never leaves
//   it. Its pixels are the output's real ones whatever its scale: the copies
//   have them all, and the grabbing window, drawn at that scale, shows a
//   picture and the outline pixel for pixel. Our other windows go where the
//   compositor puts a new surface (sway: the focused output) and keep the
//   scale they were created at. When the screen's output goes away, the
//   screen is another one.
// - Other programs' windows are not visible to a client without
//   wlr-foreign-toplevel-management: focused_window() is one stable id for
//   "the desktop's focused window", which exists while the compositor does
//   and covers the whole output. keyboard_held_by_us() is exact.
// - No client can see keys typed into another: Esc from the whole desktop
//   comes only from the desktop's global-shortcuts portal, asked once the
//   instance holds the desktop (gtk::PortalEscape). Where it does not give
//   us Esc, escape_grabbed() stays false, stderr says why, and the main
//   window's button is what stops a run.
// - A window of ours cannot be raised over others or marked for attention:
//   our windows live on the top layer, the grabbing window (the frozen
//   screen, moved over the whole output) on the overlay layer with the
//   keyboard while it is up.
// - Change reports come from the compositor's damage; areas that lie
//   wholly inside one of our shown windows are left out.
class WaylandPlatform : public Platform {
 public:
  // Throws a platform error, naming what is missing, when there is no
  // Wayland compositor, GTK cannot open it, it offers no layer shell, or it
  // lacks a protocol the program needs.
  WaylandPlatform();
  ~WaylandPlatform() override;
  WaylandPlatform(const WaylandPlatform&) = delete;
  WaylandPlatform& operator=(const WaylandPlatform&) = delete;

  // For tests and diagnostics.
  bool pump(std::chrono::milliseconds max_wait) { return loop_.pump(max_wait); }
  GtkWidget* popup_menu() const { return menu_.get(); }
  GtkWidget* native_window(WindowId w) const;
  // How many of the screen's pixels make one of GTK's.
  int scale() const;
  const std::vector<Output>& outputs() const { return session_.outputs(); }

  void set_event_sink(EventSink* sink) override { sink_ = sink; }
  PixelSize screen_size() const override;
  PixelRect work_area() const override;
  float twips_per_pixel() const override { return 15.0f / static_cast<float>(scale()); }
  ImageView copy_screen() override;
  ImageView copy_screen_region(int x, int y, int width, int height) override;
  void set_mouse_pointer(MousePointer pointer) override;
  WindowId create_window(const WindowDesign& design) override;
  void destroy_window(WindowId w) override;
  PixelSize frame_size(WindowId) const override { return {}; }
  void move_window(WindowId w, int left, int top, int width, int height) override;
  void show_window(WindowId w) override;
  void show_modal(WindowId w, WindowId owner) override;
  void hide_window(WindowId w) override;
  void set_topmost(WindowId, bool) override {}
  void set_caption(WindowId w, std::string_view utf8) override;
  void set_button(WindowId w, int button_id, std::string_view caption,
                  std::string_view tooltip) override;
  void set_label(WindowId w, int label_id, std::string_view text,
                 std::string_view tooltip) override;
  void set_window_picture(WindowId w, ImageView picture) override;
  void set_outline(WindowId w, int left, int top, int width, int height,
                   std::uint32_t rgb) override;
  void show_menu(WindowId w, const Menu& menu) override;
  ForeignWindow focused_window() const override;
  bool window_exists(ForeignWindow w) const override { return w == kDesktopWindow; }
  PixelRect window_area(ForeignWindow w) const override;
  bool keyboard_held_by_us() const override;
  ScreenChanges take_screen_changes() override;
  void send_keys(const std::vector<KeyChord>& keys) override;
  void post_key(WindowId w, int char_code) override { loop_.post_key(w, char_code); }
  void grab_escape(WindowId target, bool grab) override { escape_.grab(target, grab); }
  bool escape_grabbed() const override { return escape_.grabbed(); }
  bool escape_offered() const override { return escape_.offered(); }
  TimerId create_timer() override { return loop_.create_timer(); }
  void set_timer(TimerId t, std::int32_t interval_ms) override { loop_.set_timer(t, interval_ms); }
  std::unique_ptr<AutomationObject> attach_automation(std::string_view class_name) override;
  std::filesystem::path base_folder() const override;
  void open_folder(const std::filesystem::path& folder) override;
  std::string move_to_trash(const std::filesystem::path& path) override;
  bool claim_instance(WindowId main) override;
  int run() override { return loop_.run(); }
  void quit() override { loop_.quit(); }

  // The one id focused_window() gives.
  static constexpr ForeignWindow kDesktopWindow = 1;

 private:
  struct Win {
    WaylandPlatform* platform = nullptr;
    WindowId id = kNoWindow;
    WindowStyle style;
    gtk::BuiltWindow built;
    PixelRect client;
    gtk::Canvas canvas;
    bool shown = false;
    bool input_blocked = false;  // by a modal window it owns
    int scale = 1;               // of its design: the screen's when it was created
  };

  Win* find(WindowId w);
  const Win* find(WindowId w) const;
  // The screen's output, and the one the next frozen screen would cover.
  const Output& output() const;
  const Output& next_screen() const;
  // The registry's name of the output GDK has the window on; 0 when unknown.
  std::uint32_t output_of(const Win& win) const;
  GdkMonitor* monitor_of(const Output& output) const;
  int scale_of(const Win& win) const;
  bool grabbing() const;
  void watch_outputs();
  void place(Win& win);
  void repaint(Win& win, const std::vector<gtk::Rect>& areas);
  // Hands one event to the program; no error unwinds through GTK.
  void deliver(const std::function<void()>& call);
  // Our surfaces unmapped since the last copy are off the screen before it.
  void settle_hidden();

  void connect_signals(Win& win);
  static gboolean on_draw(GtkWidget*, cairo_t* cr, gpointer win);
  static gboolean on_delete(GtkWidget*, GdkEvent*, gpointer win);
  static gboolean on_button(GtkWidget*, GdkEventButton* event, gpointer win);
  static gboolean on_motion(GtkWidget*, GdkEventMotion* event, gpointer win);
  static gboolean on_key(GtkWidget*, GdkEventKey* event, gpointer win);
  static void on_clicked(GtkButton* button, gpointer win);
  static void on_menu_item(GtkMenuItem* item, gpointer self);

  Session session_;
  ScreenCopy copier_;
  VirtualKeyboard keyboard_;
  EventSink* sink_ = nullptr;
  gtk::Loop loop_;
  std::map<WindowId, std::unique_ptr<Win>> windows_;
  WindowId next_window_ = 1;
  WindowId main_window_ = kNoWindow;
  gtk::WindowPtr menu_;
  WindowId menu_window_ = kNoWindow;
  MousePointer pointer_ = MousePointer::Default;
  gtk::CursorPtr arrow_, cross_;
  std::uint32_t screen_ = 0;          // the registry's name of the screen's output
  std::uint32_t pointer_output_ = 0;  // and of the one last pressed on
  guint session_watch_ = 0;
  bool hidden_since_copy_ = false;
  gtk::PortalEscape escape_;
  int instance_lock_ = -1;
};

}  // namespace pr::wayland
