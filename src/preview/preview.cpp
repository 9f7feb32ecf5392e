#include "preview/preview.hpp"

#include "app/designs.hpp"
#include "app/main_window.hpp"
#include "app/program.hpp"

namespace pr {

Form3::Form3(Program& program) : Form(program.platform(), design::form3()) {}

void Form1::Command3_Click() {
  float width = Picture1.Width();
  float height = Picture1.Height();
  if (!(width > design::kEmptyPicture && height > design::kEmptyPicture)) return;
  Form3& preview = program_.form3();
  preview.Cls();
  preview.set_Height(Picture1.Height() + design::kPreviewExtraHeight);
  preview.set_Width(Picture1.Width() + design::kPreviewExtraWidth);
  preview.set_AutoRedraw(true);
  preview.PaintPicture(Picture1.Image(), 0, 0, Picture1.Width(), Picture1.Height(), 0, 0,
                       Picture1.Width(), Picture1.Height());
  preview.set_AutoRedraw(false);
  preview.Move(Left(), Top() + Height(), preview.Width(), preview.Height());
  // Returns when the preview is closed or hidden; it may be unloaded by then.
  preview.ShowModal(*this);
}

}  // namespace pr
