#pragma once

#include <string>
#include <vector>

#include "platform/platform.hpp"

namespace pr::design {

// The application's title, also the main window's caption.
inline constexpr const char* kTitle = "Pagerook";

inline constexpr int kCaptureButton = 1;
// Beside the button: a run's count and how it stands.
inline constexpr int kStatusLabel = 2;

// What "截图" tells a first-time user while the pointer rests on it.
inline constexpr const char* kCaptureTip =
    "按下后，在页面上拖出一个矩形：之后每一页都截取这个区域。按 Esc "
    "停止。右键单击本窗口打开选项菜单。";

// The button's face while a run goes on: one click stops it, wherever Esc
// cannot be had.
inline constexpr const char* kCaptureCaption = "截图";
inline constexpr const char* kStopCaption = "停止";
inline constexpr const char* kStopTip = "单击停止翻页 (Esc 也可以停止)。";
// The two tips where the desktop gives no program Esc (Wayland without the
// global-shortcuts portal's Esc): the button is the way to stop.
inline constexpr const char* kCaptureTipWithoutEsc =
    "按下后，在页面上拖出一个矩形：之后每一页都截取这个区域。翻页时单击本按钮"
    "停止。右键单击本窗口打开选项菜单。";
inline constexpr const char* kStopTipWithoutEsc = "单击停止翻页。";

// Outer size that the preview adds to the picture it shows.
inline constexpr float kPreviewExtraWidth = 60;
inline constexpr float kPreviewExtraHeight = 350;

// A picture box at its designed size holds no capture.
inline constexpr float kEmptyPicture = 135;

// A window as designed, in twips; AppWindow gives it to the platform in pixels.
struct Button {
  int id = 0;
  std::string caption;
  float left = 0, top = 0, width = 0, height = 0;
  std::string tooltip;
};

struct Window {
  std::string name;
  std::string caption;
  WindowStyle style;
  float client_width = 0, client_height = 0;
  std::vector<Button> buttons;
  std::vector<LabelDesign> labels;  // in twips
};

Window main_window();
Window overlay();
Window preview();

// The design as the platform takes it, each length to the nearest pixel.
WindowDesign in_pixels(const Window& design, float twips_per_pixel);

// The other designed lengths, in pixels at the screen's twips per pixel:
// a capture must be larger than the empty picture box each way; the preview
// is this much larger than the picture it shows; and where the rubber band
// starts, before any drag.
int empty_picture(float twips_per_pixel);
PixelSize preview_extra(float twips_per_pixel);
PixelRect outline_start(float twips_per_pixel);

}  // namespace pr::design
