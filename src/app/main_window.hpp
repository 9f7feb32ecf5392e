#pragma once

#include <string>

#include "app/form.hpp"
#include "platform/controls.hpp"

namespace pr {

class Program;

// The main window: one button on screen, and off-screen controls holding the
// options (interval capture, tick, quality) and the working data (the file
// list of the capture folder, the capture picture).
class Form1 : public Form {
 public:
  explicit Form1(Program& program);

  CommandButton Command1;
  CheckBox Check1;
  PictureBox Picture1;
  TextBox Text1;
  FileListBox File1;
  CheckBox Check2;
  TextBox Text2;
  bool PdfAtEnd = false;  // "结束时生成 PDF": the PDF of the run is written when it stops
  // The page-turn key as the cycle sends it; read at each commit.
  std::string PageKey = "{PgDn}";

  // Ends the cycle by itself once two page turns in a row changed nothing.
  bool StopAtEnd = true;
  // "自动": each page is saved as soon as it has settled and the next one is
  // turned at once, instead of the fixed five-tick cycle.
  bool AutoMode = false;

  void Form_Load();
  void Check1_Click();
  void Check2_Click();
  void Command1_Click();
  void Command3_Click();
  void Form_KeyPress(int key_ascii);
  void Form_Unload();
  // The right-click menu as the controls stand now, and its items' effects.
  Menu PopupMenu() const;
  void Menu_Click(int item);

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
