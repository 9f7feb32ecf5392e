#pragma once

#include <windows.h>

#include <vector>

#include "platform/keys.hpp"

namespace pr::win32 {

// The SendInput records that type `chords`: modifiers down, the key down and
// up, modifiers up in reverse order. Navigation keys are extended keys; a
// plain character goes as a Unicode keystroke.
std::vector<INPUT> key_inputs(const std::vector<KeyChord>& chords);

}  // namespace pr::win32
