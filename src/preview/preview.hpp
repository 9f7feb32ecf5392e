#pragma once

#include "app/form.hpp"

namespace pr {

class Program;
class Form1;

// Whether the capture picture holds a capture to preview.
bool preview_possible(const Form1& form1);

// The preview: the last capture at its own size, under the main window.
class Form3 : public Form {
 public:
  explicit Form3(Program& program);
};

}  // namespace pr
