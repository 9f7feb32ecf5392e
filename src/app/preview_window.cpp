#include "app/preview_window.hpp"

#include "app/designs.hpp"
#include "app/main_window.hpp"
#include "app/program.hpp"
#include "platform/report.hpp"

namespace pr {

PreviewWindow::PreviewWindow(Program& program) : AppWindow(program.platform(), design::preview()) {}

void MainWindow::keep_page(ImageView page, bool saved) {
  const bool preview_up = program_.preview_loaded() && program_.preview().visible();
  // The first page of a run is the capture picture itself.
  const bool itself = page.pixels == last_picture.picture().pixels;
  picture_in_file_ = saved && !preview_up && !itself && program_.store().reads_back() &&
                     page.width == last_picture.width() && page.height == last_picture.height();
  if (picture_in_file_) return;
  last_picture.copy_from(page);
  if (preview_up) on_preview_chosen();
}

bool MainWindow::bring_picture_up_to_date() {
  if (!picture_in_file_) return true;
  Image page;
  if (!program_.store().read_last(page)) {
    report_error("the page saved last cannot be read back from the capture folder");
    return false;
  }
  last_picture.copy_from(page.view());
  picture_in_file_ = false;
  return true;
}

void MainWindow::on_preview_chosen() {
  if (!has_capture() || !bring_picture_up_to_date()) return;
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
