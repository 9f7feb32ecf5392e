#pragma once

#include <X11/Xlib.h>

#include "platform/keys.hpp"

namespace pr::x11 {

// The keysym a chord's key types: a named key, or the character's own keysym.
KeySym keysym_of(const KeyChord& chord);

}  // namespace pr::x11
