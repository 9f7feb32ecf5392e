#include "app/main_window.hpp"
#include "app/program.hpp"
#include "platform/keys.hpp"
#include "preview/preview.hpp"
#include "selection/overlay.hpp"
#include "store/module1.hpp"

namespace pr {

void Form2::Timer1_Timer() {
  const std::int32_t phase = CyclePhase;
  if (phase == 0) platform_.send_keys(PageKeys);
  if (phase == 1) {
    Hide();
    program_.form3().Hide();
    Move(0, 0, program_.screen_width(), program_.screen_height());
    set_AutoRedraw(true);
    // Only the committed rectangle of this frozen screen is ever read: the
    // overlay is hidden again before this tick returns.
    float dx = region_width();
    float dy = region_height();
    copy_screen_part(region_left(), region_top(), dx, dy);
    set_AutoRedraw(false);
    Show();
    platform_.set_topmost(hWnd(), true);
    program_.form1().Picture1.PaintPicture(Image(), 0, 0, dx, dy, region_left(), region_top(), dx,
                                           dy);
    Hide();
    Module1::SaveCapture(program_);
    program_.set_mouse_pointer(MousePointer::Arrow);
  }
  // Last, so that a tick whose work failed runs its phase again.
  CyclePhase = phase + 1 > 4 ? 0 : phase + 1;
}

}  // namespace pr
