#pragma once

#include "app/app_window.hpp"

namespace pr {

class Program;
class MainWindow;

// The preview: the last capture at its own size, under the main window.
class PreviewWindow : public AppWindow {
 public:
  explicit PreviewWindow(Program& program);
};

}  // namespace pr
