#pragma once

#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>

#include "app/trace.hpp"
#include "core/page_store.hpp"
#include "platform/jpeg_writer.hpp"
#include "platform/platform.hpp"

namespace pr {

class MainWindow;
class SelectionOverlay;
class PreviewWindow;

// The running program: its three windows, the program-wide option and the
// screen object. It receives every platform event and hands it to the window
// it belongs to; it is the last catcher of errors, so none ends the program.
class Program : public EventSink {
 public:
  // Loads and shows the start-up window. Pictures are saved with `writer`.
  Program(Platform& platform, JpegWriter& writer);
  ~Program() override;

  Platform& platform() { return platform_; }
  // Another Pagerook runs in this desktop session: this one showed nothing
  // and is to end at once.
  bool second_instance() const { return second_instance_; }
  // The folder the captures go to: "截图" in the platform's base folder.
  PageStore& store() { return store_; }
  const std::filesystem::path& capture_folder() const { return store_.folder(); }
  // Saves the main window's capture picture as the run's next page, when it
  // holds a capture.
  WriteResult save_capture();
  // A run has stopped: the PDF of its pages, when the options ask for one
  // and there are pictures.
  PdfOutcome pdf_at_run_end();

  // Hears the one line that sums up each capture run; nobody by default.
  std::function<void(std::string_view)> run_report;

  MainWindow& main_window() { return *main_window_; }
  // A window is created and loaded on its first use.
  SelectionOverlay& overlay();
  PreviewWindow& preview();
  bool overlay_loaded() const { return overlay_ != nullptr; }
  bool preview_loaded() const { return preview_ != nullptr; }
  void unload_overlay();
  void unload_preview();
  // Whether the main window has been closed and the program is over.
  bool ended() const { return main_window_ == nullptr; }

  // The screen: its size in pixels, the application's mouse pointer.
  int screen_width() const;
  int screen_height() const;
  void set_mouse_pointer(MousePointer pointer);

  void mouse_down(WindowId w, int button, int shift, int x, int y) override;
  void mouse_move(WindowId w, int buttons, int shift, int x, int y) override;
  void mouse_up(WindowId w, int button, int shift, int x, int y) override;
  void key_press(WindowId w, int char_code) override;
  void button_click(WindowId w, int button_id) override;
  void timer_tick(TimerId t) override;
  void close_request(WindowId w) override;
  void context_menu(WindowId w) override;
  void menu_choice(WindowId w, int item_id) override;

 private:
  template <class Handler>
  void dispatch(Handler&& handler);
  bool is_overlay(WindowId w) const;

  Platform& platform_;
  PageStore store_;
  std::unique_ptr<Trace> trace_ = Trace::from_environment();
  std::unique_ptr<MainWindow> main_window_;
  std::unique_ptr<SelectionOverlay> overlay_;
  std::unique_ptr<PreviewWindow> preview_;
  bool second_instance_ = false;
};

// One line on standard error for an error that reached the event loop.
void report_error(const std::exception& error);

}  // namespace pr
