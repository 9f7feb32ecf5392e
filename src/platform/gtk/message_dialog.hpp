#pragma once

#include <string>

namespace pr::gtk {

// A dialog the user reads and dismisses with its button (or Esc); the
// program goes on meanwhile. For what a user who never sees stderr must know.
void show_message_dialog(const std::string& title, const std::string& primary,
                         const std::string& secondary);

}  // namespace pr::gtk
