#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pr {

enum class Key {
  Character,  // `ch` holds the character
  Enter,
  Escape,
  Tab,
  Backspace,
  Delete,
  Insert,
  Home,
  End,
  PageUp,
  PageDown,
  Up,
  Down,
  Left,
  Right,
  F1,
  F2,
  F3,
  F4,
  F5,
  F6,
  F7,
  F8,
  F9,
  F10,
  F11,
  F12,
};

enum Modifier : unsigned { kShift = 1, kCtrl = 2, kAlt = 4 };

// One key pressed and released with its modifiers held.
struct KeyChord {
  unsigned modifiers = 0;
  Key key = Key::Character;
  char32_t ch = 0;

  bool operator==(const KeyChord&) const = default;
};

// Parses the key notation: "+" Shift, "^" Ctrl, "%" Alt before a key or a
// parenthesised group, "{NAME}" or "{NAME n}" named keys, "~" Enter, anything
// else a plain character. Bad notation throws an invalid-value error.
std::vector<KeyChord> parse_keys(std::string_view notation);

// "Ctrl+Home", "PageDown", "a": for logs and tests.
std::string describe(const KeyChord& chord);
std::string describe(const std::vector<KeyChord>& chords);

}  // namespace pr
