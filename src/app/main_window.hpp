#pragma once

#include "app/app_window.hpp"
#include "app/controls.hpp"
#include "core/options.hpp"

namespace pr {

class Program;

// The main window: one button on screen, the options its menu edits, and the
// working data (the file list of the capture folder, the capture picture).
class MainWindow : public AppWindow {
 public:
  explicit MainWindow(Program& program);

  Options options;
  // The last capture, the preview's picture and the page a run saves.
  PictureBox last_picture;

  // Whether the capture picture holds a capture: larger than the empty
  // picture box, the only size a save saves and a preview shows.
  bool has_capture() const;
  // Keeps `page`, which a run has just saved (`saved`) or failed to save, as
  // the capture picture. A saved page stays in its file until the preview
  // or a save needs its pixels (bring_picture_up_to_date), so a run copies
  // no page while the preview is down.
  void keep_page(ImageView page, bool saved);
  // The capture picture made the page saved last; false, and said, when its
  // file cannot be read back.
  bool bring_picture_up_to_date();

  void on_load();
  void on_shown();
  // Follows `options.keep_on_top`.
  void on_keep_on_top_changed();
  void on_capture_clicked();
  void on_preview_chosen();
  void on_key(int key_ascii);
  void on_unload();
  // The right-click menu as the controls stand now, and its items' effects.
  Menu popup_menu() const;
  void on_menu_choice(int item);

  // While the cycle runs the window stands in a corner of the screen that
  // the rectangle does not touch, so no page shows it; hidden when every
  // corner is touched. `come_back` moves it back where it was.
  void keep_out_of(const PixelRect& region);
  void come_back();
  // A run's status: the caption and the status beside the button show
  // `status`, its tooltip `sentence`.
  void show_status(std::string_view status, std::string_view sentence);
  // What Esc does to the cycle: main window shown, timer off, arrow pointer.
  void stop_cycle();
  // The button's face: "停止" while a run goes on, "截图" otherwise.
  void show_stop_control(bool running);

  // A character that reaches the window: the Esc grab and the Enter it
  // posts to itself after a commit. The window keeps Esc and Enter.
  void key_press(int char_code);

 private:
  Program& program_;
  int empty_picture_;
  bool picture_in_file_ = false;
  bool moved_out_ = false;
  int home_left_ = 0, home_top_ = 0;
};

}  // namespace pr
