#include "app/designs.hpp"
#include "app/main_window.hpp"
#include "app/program.hpp"
#include "platform/errors.hpp"
#include "platform/keys.hpp"
#include "platform/numbers.hpp"
#include "selection/overlay.hpp"
#include "store/module1.hpp"

namespace pr {

namespace {
constexpr int kLeftButton = 1;
constexpr int kEnter = 13;
}  // namespace

void Form2::Form_MouseUp(int button, int, float x, float y) {
  // The release of a drag that Esc cancelled.
  if (!Visible()) return;
  ResumeNext step;
  Form1& form1 = program_.form1();
  if (button == kLeftButton) {
    step([&] { EndX = x; });
    step([&] { EndY = to_int32(y); });
    step([&] { Shape1.set_Width(0); });
    step([&] { Shape1.set_Height(0); });
    float dx = region_width();
    float dy = region_height();
    // Too small to crop: a click or a slip, never a page to capture.
    if (!(dx > design::kEmptyPicture && dy > design::kEmptyPicture)) {
      cancel_selection();
      return;
    }
    committed_ = true;
    PictureBox& picture = form1.Picture1;
    step([&] { picture.Cls(); });
    step([&] { picture.set_Width(dx); });
    step([&] { picture.set_Height(dy); });
    step([&] { picture.PaintPicture(Image(), 0, 0, dx, dy, region_left(), region_top(), dx, dy); });
    step([&] { Hide(); });
    step([&] { form1.Show(); });
    if (program_.IntervalMode) {
      // Enter is meant for our own main window only, never for the document.
      step([&] { platform_.post_key(form1.hWnd(), kEnter); });
      step([&] { form1.keep_out_of(region_left(), region_top(), dx, dy); });
      step([&] { begin_run(); });
      step([&] { save_page(); });
      step([&] { PageKeys = parse_keys(form1.PageKey); });
      step([&] {
        Timer1.set_Interval(
            form1.AutoMode ? kAutoPollMs
                           : to_int32(leading_number(form1.Text2.Text) * kMillisecondsPerTenth));
      });
      step([&] { Timer1.set_Enabled(true); });
    } else {
      step([&] { begin_run(); });
      step([&] { save_page(); });
      step([&] { end_run(RunEnd::SingleCapture); });
    }
  }
  step([&] { program_.set_mouse_pointer(MousePointer::Arrow); });
}

}  // namespace pr
