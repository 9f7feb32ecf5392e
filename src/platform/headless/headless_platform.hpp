#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/jpeg_writer.hpp"
#include "platform/platform.hpp"
#include "platform/units.hpp"

namespace pr {

// An automation object that records what is asked of it, for the headless
// backend's "running programs". Its calls go to a shared journal.
struct AutomationJournal {
  std::vector<std::string> calls;
  // Names of calls that fail: "attach", "Selection", "GoTo".
  std::vector<std::string> failing;
  bool fails(const std::string& what) const;
};

// A complete backend without a display: windows with state, a screen image the
// test paints, a virtual clock that fires timers only when the test advances
// it, a log of keystrokes with their time and target, and automation objects
// that record the calls made on them. Nothing here sleeps.
class HeadlessPlatform : public Platform {
 public:
  struct Window {
    WindowDesign design;
    bool alive = true;
    bool visible = false;
    bool topmost = false;
    bool modal = false;
    std::string caption;
    WindowId owner = kNoWindow;
    int left = 0, top = 0, width = 0, height = 0;  // outer, pixels
    Image picture;                                 // a copy of what it shows
    int outline[4] = {0, 0, 0, 0};                 // left, top, width, height; 0: none
    std::uint32_t outline_colour = 0;
    // Each label's text and tooltip.
    std::map<int, std::pair<std::string, std::string>> labels;
  };
  // A JPEG the program asked for, at its virtual time, with the picture it
  // was handed.
  struct Write {
    long long time_ms;
    std::filesystem::path path;
    bool ok;
    Image picture;
  };
  struct Keystroke {
    long long time_ms;
    std::string target;  // the name of the window that had the focus
    std::string keys;    // describe() of the chords
  };

  HeadlessPlatform(int screen_width, int screen_height, std::filesystem::path base_folder,
                   float twips_per_pixel = 15);

  // ---- what the test drives ----
  Image& screen() { return screen_; }
  long long now() const { return now_ms_; }
  // Moves the virtual clock on, firing every timer and running every action
  // that falls due on the way (an action before a tick due at the same time).
  void advance(long long ms);
  // Runs `action` when the virtual clock reaches `time_ms`, before a tick
  // due at the same time: a test changes the painted screen at given times
  // this way.
  void at(long long time_ms, std::function<void()> action);
  // How the program that has the focus reacts to the keys sent to it.
  std::function<void(const std::vector<KeyChord>&)> on_keys;
  void click_button(WindowId w, int button_id);
  // Positions are pixels in the window's client area.
  void mouse_down(WindowId w, int button, int x, int y);
  void mouse_move(WindowId w, int buttons, int x, int y);
  void mouse_up(WindowId w, int button, int x, int y);
  void type_key(WindowId w, int char_code);
  // Esc pressed while some other program has the focus.
  void press_escape_anywhere();
  void close_window(WindowId w);
  // A right-click on the window; its menu, if the program shows one, is then
  // open until an item is chosen or it is dismissed.
  void right_click(WindowId w);
  // Chooses the item with this id of the open menu, as a click on it would.
  void choose_item(int id);
  void dismiss_menu();
  // The name of the window that has the keyboard focus; "document" at start.
  // Every name but our windows' is another program's window, over the whole
  // screen.
  std::string focus = "document";
  // Where the primary monitor's work area lies; the whole screen while empty.
  PixelRect work_area_;
  // The program whose window this is closes it.
  void close_program(const std::string& name) { closed_.insert(name); }
  // A program drew this area, whether or not its pixels changed. Changes of
  // the painted screen are reported without it.
  void damage(const PixelRect& area) { damage_.push_back(area); }
  // Called again and again inside a modal display while the modal window is
  // still shown, as a user acting on it; false, or none, ends the display.
  std::function<bool()> while_modal;
  // A "running program" that attach_automation finds by class name.
  void register_automation(const std::string& class_name,
                           std::shared_ptr<AutomationJournal> journal);

  // ---- what the test checks ----
  const Window* window(WindowId w) const;
  // Where the window's client area lies on the screen.
  PixelRect client_area(WindowId w) const;
  const Window* window_named(const std::string& name) const;
  WindowId id_of(const std::string& name) const;
  const std::vector<Keystroke>& keystrokes() const { return keystrokes_; }
  const std::vector<Write>& writes() const { return writes_; }
  // `inner`, with each write's virtual time and picture noted in writes().
  // The platform must outlive the writer.
  std::unique_ptr<JpegWriter> note_writes(std::unique_ptr<JpegWriter> inner);
  // Every call in order, "hide MainWindow", "copy_screen", "show SelectionOverlay", ...
  const std::vector<std::string>& calls() const { return calls_; }
  std::size_t call_index(const std::string& call, std::size_t from = 0) const;
  MousePointer pointer() const { return pointer_; }
  bool escape_grabbed() const override { return escape_target_ != kNoWindow; }
  // Another program holds Esc: grabs are refused while this is set.
  bool escape_refused = false;
  // A desktop that gives no program Esc from anywhere: grabs are refused.
  bool escape_withheld = false;
  bool escape_offered() const override { return !escape_withheld; }
  bool quit_requested() const { return quit_; }
  // Whether a modal display is up and its window still shown.
  bool modal_shown() const;
  int screen_copies() const { return screen_copies_; }
  struct OpenMenu {
    WindowId window = kNoWindow;
    Menu items;
  };
  const std::optional<OpenMenu>& open_menu() const { return menu_; }
  // Every folder shown in the file manager, in order.
  const std::vector<std::filesystem::path>& opened_folders() const { return opened_folders_; }
  // The fake trash: every path moved to it, in order. A name (bare file name)
  // in `trash_refuses` is refused with these words.
  const std::vector<std::filesystem::path>& trashed() const { return trashed_; }
  std::map<std::string, std::string> trash_refuses;
  // Another Pagerook holds the session; `attention` counts its calls for it.
  bool another_instance = false;
  int attention = 0;
  // This many screen copies from now on fail, as when the screen goes away.
  int failing_copies = 0;

  // ---- Platform ----
  void set_event_sink(EventSink* sink) override { sink_ = sink; }
  PixelSize screen_size() const override { return {screen_.width(), screen_.height()}; }
  PixelRect work_area() const override {
    return work_area_.width ? work_area_ : PixelRect{0, 0, screen_.width(), screen_.height()};
  }
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
  void set_button(WindowId w, int button_id, std::string_view caption,
                  std::string_view tooltip) override;
  void set_label(WindowId w, int label_id, std::string_view text,
                 std::string_view tooltip) override;
  void set_outline(WindowId w, int left, int top, int width, int height,
                   std::uint32_t rgb) override;
  void show_menu(WindowId w, const Menu& menu) override;
  void send_keys(const std::vector<KeyChord>& keys) override;
  void post_key(WindowId w, int char_code) override;
  void grab_escape(WindowId target, bool grab) override;
  TimerId create_timer() override;
  void set_timer(TimerId t, std::int32_t interval_ms) override;
  std::unique_ptr<AutomationObject> attach_automation(std::string_view class_name) override;
  std::filesystem::path base_folder() const override { return folder_; }
  void open_folder(const std::filesystem::path& folder) override;
  std::string move_to_trash(const std::filesystem::path& path) override;
  bool claim_instance(WindowId main) override;
  ForeignWindow focused_window() const override;
  bool window_exists(ForeignWindow w) const override;
  PixelRect window_area(ForeignWindow w) const override;
  bool keyboard_held_by_us() const override;
  ScreenChanges take_screen_changes() override;
  int run() override;
  void quit() override { quit_ = true; }

  // The colour the screen copy shows where one of our decorated windows is
  // visible (an undecorated one shows its picture and its outline).
  static constexpr std::uint32_t kMainWindowColour = 0xFF00FF;
  static constexpr std::uint32_t kPreviewColour = 0x00FFFF;  // a tool window
  // The frame of a decorated window: 3 pixels a side under a title bar of 23
  // pixels, 17 for a tool window.
  static constexpr int kBorder = 3, kTitle = 23, kToolTitle = 17;

 private:
  struct TimerState {
    std::int32_t interval = 0;  // 0: stopped
    long long due = 0;
  };
  class TimedWriter;
  struct Action {
    long long time_ms;
    std::function<void()> run;
  };

  Window* find(WindowId w);
  // Runs the actions due by `time_ms`, in time order, the clock set to each.
  void run_actions(long long time_ms);
  void log(const std::string& call);
  std::string name(WindowId w) const;
  bool accepts_input(WindowId w) const;
  // Handles the keys our own windows posted to themselves.
  void deliver_posted();

  EventSink* sink_ = nullptr;
  Image screen_;
  Image copy_;
  float tpp_;
  std::vector<Write> writes_;
  std::vector<Action> actions_;
  std::filesystem::path folder_;
  std::map<WindowId, Window> windows_;
  WindowId next_window_ = 1;
  std::map<TimerId, TimerState> timers_;
  TimerId next_timer_ = 1;
  long long now_ms_ = 0;
  std::deque<std::pair<WindowId, int>> posted_;
  std::vector<Keystroke> keystrokes_;
  std::vector<std::string> calls_;
  std::map<std::string, std::shared_ptr<AutomationJournal>> automation_;
  WindowId escape_target_ = kNoWindow;
  MousePointer pointer_ = MousePointer::Default;
  int screen_copies_ = 0;
  std::vector<std::filesystem::path> trashed_;
  bool quit_ = false;
  std::optional<OpenMenu> menu_;
  std::vector<std::filesystem::path> opened_folders_;
  std::set<std::string> closed_;
  mutable std::map<std::string, ForeignWindow> foreign_ids_;
  std::vector<PixelRect> damage_;
  Image seen_;  // the painted screen as the last change report left it
};

}  // namespace pr
