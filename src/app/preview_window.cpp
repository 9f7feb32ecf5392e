#include "app/preview_window.hpp"

#include "app/designs.hpp"
#include "app/main_window.hpp"
#include "app/program.hpp"

namespace pr {

PreviewWindow::PreviewWindow(Program& program) : AppWindow(program.platform(), design::preview()) {}

void MainWindow::on_preview_chosen() {
  if (!has_capture()) return;
  PreviewWindow& preview = program_.preview();
  preview.clear();
  const PixelSize extra = design::preview_extra(platform_.twips_per_pixel());
  preview.set_height(last_picture.height() + extra.height);
  preview.set_width(last_picture.width() + extra.width);
  preview.set_auto_redraw(true);
  preview.draw_picture(last_picture.picture(), 0, 0, last_picture.width(), last_picture.height(), 0,
                       0, last_picture.width(), last_picture.height());
  preview.set_auto_redraw(false);
  preview.move(left(), top() + height(), preview.width(), preview.height());
  // A window of its own that the user closes when done: it never takes the
  // keyboard from the document, and the main window and its menu go on
  // working meanwhile.
  preview.show();
}

}  // namespace pr
