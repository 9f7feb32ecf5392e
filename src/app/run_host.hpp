#pragma once

#include <string>
#include <string_view>

#include "core/page_cycle.hpp"

namespace pr {

class Program;

// How a run reaches the program's screen, keys, folder and windows.
class ProgramRunHost : public RunHost {
 public:
  explicit ProgramRunHost(Program& program) : program_(program) {}

  // Another program holds Esc: the status says that Esc does not work.
  bool escape_missing = false;

  ImageView grab(const PixelRect& region) override;
  void send_keys(const std::vector<KeyChord>& keys) override;
  ForeignWindow focused_window() override;
  bool window_exists(ForeignWindow w) override;
  PixelRect window_area(ForeignWindow w) override;
  bool keyboard_held_by_us() override;
  ScreenChanges take_screen_changes() override;
  WriteResult save(ImageView page, bool again) override;
  void show_status(std::string_view status, std::string_view sentence) override;
  // Shows the last status again, as the Esc grab now stands.
  void show_status_again();
  void stop_ticking() override;
  PdfOutcome pdf_at_end() override;
  void report(std::string_view line) override;

 private:
  Program& program_;
  std::string status_, sentence_;
};

}  // namespace pr
