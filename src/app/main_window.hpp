#pragma once

#include <string>

#include "app/app_window.hpp"
#include "core/constants.hpp"
#include "platform/controls.hpp"

namespace pr {

class Program;

// The main window: one button on screen, and off-screen controls holding the
// options (interval capture, tick, quality) and the working data (the file
// list of the capture folder, the capture picture).
class MainWindow : public AppWindow {
 public:
  explicit MainWindow(Program& program);

  CheckBox keep_on_top_box;
  PictureBox last_picture;
  TextBox quality_box;
  FileList folder_list;
  CheckBox page_after_page_box;
  TextBox tick_box;
  bool pdf_at_end = false;  // "结束时生成 PDF": the PDF of the run is written when it stops
  // The page-turn key as the cycle sends it; read at each commit.
  PageKey page_key = kDefaultPageKey;

  // Ends the cycle by itself once two page turns in a row changed nothing.
  bool stop_at_end = true;
  // "自动": each page is saved as soon as it has settled and the next one is
  // turned at once, instead of the fixed five-tick cycle.
  bool auto_mode = false;

  void on_load();
  void on_keep_on_top_clicked();
  void on_page_after_page_clicked();
  void on_capture_clicked();
  void on_preview_chosen();
  void on_key(int key_ascii);
  void on_unload();
  // The right-click menu as the controls stand now, and its items' effects.
  Menu popup_menu() const;
  void on_menu_choice(int item);

  // While the cycle runs the window stands in a corner of the screen that
  // the rectangle (twips) does not touch, so no page shows it; hidden when
  // every corner is touched. `come_back` moves it back where it was.
  void keep_out_of(float left, float top, float width, float height);
  void come_back();
  // What Esc does to the cycle: main window shown, timer off, arrow pointer.
  void stop_cycle();

  // A character that reaches the window: the Esc grab and the Enter it
  // posts to itself after a commit. The window keeps Esc and Enter.
  void key_press(int char_code);

 private:
  Program& program_;
  bool moved_out_ = false;
  float home_left_ = 0, home_top_ = 0;
};

}  // namespace pr
