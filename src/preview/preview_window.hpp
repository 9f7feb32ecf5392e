#pragma once

#include "app/app_window.hpp"

namespace pr {

class Program;
class MainWindow;

// Whether the capture picture holds a capture to preview.
bool preview_possible(const MainWindow& main_window);

// The preview: the last capture at its own size, under the main window.
class PreviewWindow : public AppWindow {
 public:
  explicit PreviewWindow(Program& program);
};

}  // namespace pr
