#pragma once

#include "app/form.hpp"

namespace pr {

class Program;

// The preview: the last capture at its own size, under the main window.
class Form3 : public Form {
 public:
  explicit Form3(Program& program);
};

}  // namespace pr
