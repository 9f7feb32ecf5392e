#pragma once

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
  WriteResult save(ImageView page) override;
  void show_status(std::string_view status) override;
  void stop_ticking() override;
  PdfOutcome pdf_at_end() override;
  void report(std::string_view line) override;
  void pause(std::int32_t ms) override;

 private:
  Program& program_;
};

}  // namespace pr
