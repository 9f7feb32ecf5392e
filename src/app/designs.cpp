#include "app/designs.hpp"

#include "platform/units.hpp"

namespace pr::design {

Window form1() {
  // A fixed dialog frame that never takes the focus from the document. Only
  // Command1 lies inside the client area; the other controls of the window
  // hold options and working data and are never shown by the platform.
  WindowStyle style{.takes_focus = false, .icon = WindowIcon::Program};
  return {"Form1", kTitle, style,
          2175,    600,    {{kCommand1, "截图", 360, 120, 615, 375, kCommand1Tip}}};
}

Window form2() {
  // The borderless overlay over the whole screen.
  WindowStyle style{.decorated = false,
                    .tool_window = true,
                    .takes_focus = false,
                    .keep_above = true,
                    .grabs_input = true};
  return {"Form2", "设置", style, 4350, 2130, {}};
}

Window form3() {
  WindowStyle style{.tool_window = true, .icon = WindowIcon::Preview};
  return {"Form3", "预览", style, 4170, 3630, {}};
}

WindowDesign in_pixels(const Window& d, float tpp) {
  WindowDesign w{
      d.name, d.caption, d.style, to_pixels(d.client_width, tpp), to_pixels(d.client_height, tpp),
      {}};
  for (const Button& b : d.buttons) {
    w.buttons.push_back({b.id, b.caption, to_pixels(b.left, tpp), to_pixels(b.top, tpp),
                         to_pixels(b.width, tpp), to_pixels(b.height, tpp), b.tooltip});
  }
  return w;
}

}  // namespace pr::design
