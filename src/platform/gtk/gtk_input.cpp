#include "platform/gtk/gtk_input.hpp"

#include "platform/keys.hpp"

namespace pr::gtk {

int button_of(guint gdk_button) {
  switch (gdk_button) {
    case GDK_BUTTON_PRIMARY:
      return 1;
    case GDK_BUTTON_SECONDARY:
      return 2;
    case GDK_BUTTON_MIDDLE:
      return 4;
    default:
      return 0;
  }
}

int buttons_held(GdkModifierType state) {
  return ((state & GDK_BUTTON1_MASK) ? 1 : 0) | ((state & GDK_BUTTON3_MASK) ? 2 : 0) |
         ((state & GDK_BUTTON2_MASK) ? 4 : 0);
}

int shift_of(GdkModifierType state) {
  return ((state & GDK_SHIFT_MASK) ? 1 : 0) | ((state & GDK_CONTROL_MASK) ? 2 : 0) |
         ((state & GDK_MOD1_MASK) ? 4 : 0);
}

int char_code_of(const GdkEventKey& event) {
  if (event.keyval == GDK_KEY_Escape) return kEscapeChar;
  if (event.keyval == GDK_KEY_Return) return kEnterChar;
  const int code = static_cast<int>(gdk_keyval_to_unicode(event.keyval));
  return code > 0 && code <= 0xFFFF ? code : 0;
}

}  // namespace pr::gtk
