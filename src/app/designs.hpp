#pragma once

#include "platform/platform.hpp"

namespace pr::design {

// The application's title, also the main window's caption.
inline constexpr const char* kTitle = "Pagerook";

inline constexpr int kCommand1 = 1;
inline constexpr int kCommand3 = 3;

// Outer size that the preview adds to the picture it shows.
inline constexpr float kPreviewExtraWidth = 60;
inline constexpr float kPreviewExtraHeight = 350;

// A picture box at its designed size holds no capture.
inline constexpr float kEmptyPicture = 135;

WindowDesign form1();
WindowDesign form2();
WindowDesign form3();

}  // namespace pr::design
