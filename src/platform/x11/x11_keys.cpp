#include "platform/x11/x11_keys.hpp"

#include <X11/keysym.h>

namespace pr::x11 {

KeySym keysym_of(const KeyChord& chord) {
  switch (chord.key) {
    case Key::Character:
      if (chord.ch == '\n' || chord.ch == '\r') return XK_Return;
      if (chord.ch == '\t') return XK_Tab;
      // Latin-1 keysyms equal their code points; the rest of Unicode is offset.
      if ((chord.ch >= 0x20 && chord.ch <= 0x7e) || (chord.ch >= 0xa0 && chord.ch <= 0xff)) {
        return chord.ch;
      }
      return chord.ch < 0x20 ? NoSymbol : 0x01000000 | chord.ch;
    case Key::Enter:
      return XK_Return;
    case Key::Escape:
      return XK_Escape;
    case Key::Home:
      return XK_Home;
    case Key::PageDown:
      return XK_Next;
    case Key::Down:
      return XK_Down;
    case Key::Right:
      return XK_Right;
  }
  return NoSymbol;
}

}  // namespace pr::x11
