#include "app/designs.hpp"
#include "app/main_window.hpp"
#include "app/program.hpp"
#include "app/selection_overlay.hpp"
#include "platform/errors.hpp"
#include "platform/keys.hpp"

namespace pr {

namespace {
constexpr int kLeftButton = 1;
}  // namespace

void SelectionOverlay::on_mouse_up(int button, int, int x, int y) {
  // The release of a drag that Esc cancelled.
  if (!visible()) return;
  MainWindow& main_window = program_.main_window();
  if (button == kLeftButton) {
    end_x = x;
    end_y = y;
    outline.set_width(0);
    outline.set_height(0);
    const PixelRect r = region();
    // Too small to crop: a click or a slip, never a page to capture.
    const int empty = design::empty_picture(platform_.twips_per_pixel());
    if (!(r.width > empty && r.height > empty)) {
      cancel_selection();
      return;
    }
    committed_ = true;
    // The run starts with whatever the capture picture came to hold.
    carry_on_after_failure([&] {
      PictureBox& last = main_window.last_picture;
      last.clear();
      last.set_width(r.width);
      last.set_height(r.height);
      last.draw_picture(picture(), 0, 0, r.width, r.height, r.left, r.top, r.width, r.height);
    });
    hide();
    main_window.show();
    const ImageView first_page =
        main_window.has_capture() ? main_window.last_picture.picture() : ImageView{};
    if (main_window.options.page_after_page) {
      // Enter is meant for our own main window only, never for the document.
      platform_.post_key(main_window.id(), kEnterChar);
      main_window.keep_out_of(r);
      cycle_.start(r, main_window.options, first_page);
      // A tick the timer refuses leaves it the one it had.
      carry_on_after_failure([&] { tick_timer.set_interval(cycle_.tick_ms()); });
      tick_timer.set_enabled(true);
      main_window.show_stop_control(true);
    } else {
      cycle_.start(r, main_window.options, first_page);
    }
  }
  program_.set_mouse_pointer(MousePointer::Arrow);
}

}  // namespace pr
