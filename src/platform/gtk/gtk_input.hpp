#pragma once

#include <gdk/gdk.h>

namespace pr::gtk {

// The program's mouse buttons (1 left, 2 right, 4 middle) from GDK's.
int button_of(guint gdk_button);
// The program's set of held buttons, and Shift 1, Ctrl 2, Alt 4.
int buttons_held(GdkModifierType state);
int shift_of(GdkModifierType state);
// The character a key types into one of our windows (Esc and Enter
// included); 0 for a key that types none the program reads.
int char_code_of(const GdkEventKey& event);

}  // namespace pr::gtk
