#include "preview/preview.hpp"

#include "app/designs.hpp"
#include "app/main_window.hpp"
#include "app/program.hpp"

namespace pr {

Form3::Form3(Program& program) : Form(program.platform(), design::form3()) {}

bool preview_possible(const Form1& form1) {
  float width = form1.Picture1.Width();
  float height = form1.Picture1.Height();
  return width > design::kEmptyPicture && height > design::kEmptyPicture;
}

void Form1::Command3_Click() {
  if (!preview_possible(*this)) return;
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
