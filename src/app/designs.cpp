#include "app/designs.hpp"

#include "platform/units.hpp"

namespace pr::design {

Window main_window() {
  // A fixed dialog frame that never takes the focus from the document; its
  // one button starts a capture, the menu holds everything else.
  WindowStyle style{.takes_focus = false, .icon = WindowIcon::Program};
  return {"MainWindow",
          kTitle,
          style,
          2175,
          600,
          {{kCaptureButton, kCaptureCaption, 360, 120, 615, 375, kCaptureTip}},
          {{kStatusLabel, 1050, 45, 1080, 510}}};
}

Window overlay() {
  // The borderless overlay over the whole screen.
  WindowStyle style{.decorated = false,
                    .tool_window = true,
                    .takes_focus = false,
                    .keep_above = true,
                    .grabs_input = true};
  return {"SelectionOverlay", "设置", style, 4350, 2130, {}, {}};
}

Window preview() {
  WindowStyle style{.tool_window = true, .takes_focus = false, .icon = WindowIcon::Preview};
  return {"PreviewWindow", "预览", style, 4170, 3630, {}, {}};
}

int empty_picture(float tpp) {
  // Whole pixels strictly larger than the designed twips.
  return static_cast<int>(kEmptyPicture / tpp);
}

PixelSize preview_extra(float tpp) {
  return {to_pixels(kPreviewExtraWidth, tpp), to_pixels(kPreviewExtraHeight, tpp)};
}

PixelRect outline_start(float tpp) {
  return to_pixel_rect(2640, 480, 1215, 495, tpp);
}

WindowDesign in_pixels(const Window& d, float tpp) {
  WindowDesign w{
      d.name, d.caption, d.style, to_pixels(d.client_width, tpp), to_pixels(d.client_height, tpp),
      {},     {}};
  for (const LabelDesign& l : d.labels) {
    w.labels.push_back({l.id, to_pixels(static_cast<float>(l.left), tpp),
                        to_pixels(static_cast<float>(l.top), tpp),
                        to_pixels(static_cast<float>(l.width), tpp),
                        to_pixels(static_cast<float>(l.height), tpp)});
  }
  for (const Button& b : d.buttons) {
    w.buttons.push_back({b.id, b.caption, to_pixels(b.left, tpp), to_pixels(b.top, tpp),
                         to_pixels(b.width, tpp), to_pixels(b.height, tpp), b.tooltip});
  }
  return w;
}

}  // namespace pr::design
