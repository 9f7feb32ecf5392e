#pragma once

#include <string>
#include <vector>

namespace pr {

// The keys the program sends: the page keys, the document's start, and Enter
// and Esc, which the tests send as well.
enum class Key {
  Character,  // `ch` holds the character
  Enter,
  Escape,
  Home,
  PageDown,
  Down,
  Right,
};

enum Modifier : unsigned { kShift = 1, kCtrl = 2, kAlt = 4 };

// One key pressed and released with its modifiers held.
struct KeyChord {
  unsigned modifiers = 0;
  Key key = Key::Character;
  char32_t ch = 0;

  bool operator==(const KeyChord&) const = default;
};

// The characters Esc and Enter type into one of our windows' key handlers.
inline constexpr int kEscapeChar = 27;
inline constexpr int kEnterChar = 13;

// "Ctrl+Home", "PageDown", "a": for logs and tests.
std::string describe(const KeyChord& chord);
std::string describe(const std::vector<KeyChord>& chords);

}  // namespace pr
