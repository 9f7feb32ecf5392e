#include "app/designs.hpp"

namespace pr::design {

WindowDesign form1() {
  // Only Command1 lies inside the client area; the other controls of the
  // window hold options and working data and are never shown by the platform.
  return {WindowKind::Main, "Form1", kTitle, 2175, 600, {{kCommand1, "截图", 360, 120, 615, 375}}};
}

WindowDesign form2() {
  return {WindowKind::Overlay, "Form2", "设置", 4350, 2130, {}};
}

WindowDesign form3() {
  return {WindowKind::Preview, "Form3", "预览", 4170, 3630, {}};
}

}  // namespace pr::design
