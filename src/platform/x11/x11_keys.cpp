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
    case Key::Tab:
      return XK_Tab;
    case Key::Backspace:
      return XK_BackSpace;
    case Key::Delete:
      return XK_Delete;
    case Key::Insert:
      return XK_Insert;
    case Key::Home:
      return XK_Home;
    case Key::End:
      return XK_End;
    case Key::PageUp:
      return XK_Prior;
    case Key::PageDown:
      return XK_Next;
    case Key::Up:
      return XK_Up;
    case Key::Down:
      return XK_Down;
    case Key::Left:
      return XK_Left;
    case Key::Right:
      return XK_Right;
    case Key::F1:
    case Key::F2:
    case Key::F3:
    case Key::F4:
    case Key::F5:
    case Key::F6:
    case Key::F7:
    case Key::F8:
    case Key::F9:
    case Key::F10:
    case Key::F11:
    case Key::F12:
      return XK_F1 + (static_cast<int>(chord.key) - static_cast<int>(Key::F1));
  }
  return NoSymbol;
}

}  // namespace pr::x11
